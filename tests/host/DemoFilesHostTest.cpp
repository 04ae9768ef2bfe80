// The demo workspace starts with the demo documents on its FTP server, where the dialogs look for
// them (the released drawings of the cover as PNG pictures under their ".dwg" names, the work
// documents, the task documents), and the work documents' content in the product database too.
#include "tests/support/DemoWorkspace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

using vqtest::DemoWorkspace;
using vqtest::ShellRun;

namespace {

// The first bytes of a file: the drawings are PNG pictures under their ".dwg" names.
std::string Head(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(8, '\0');
    in.read(bytes.data(), 8);
    return bytes;
}

} // namespace

TEST(DemoFilesHost, EveryDemoDocumentIsOnTheServerAndTheWorkDocumentsInTheDatabase) {
    DemoWorkspace demo;
    // Creating the workspace is enough: a call that opens no dialog.
    demo.SetServers(false);
    demo.Host("", "--list");
    const std::filesystem::path working = demo.Dir() / "ftp" / "Vq" / "Working";
    const std::filesystem::path proven = demo.Dir() / "ftp" / "Vq" / "Proven" / "P-1000" / "P-1000-01-02";
    const std::string png = "\x89PNG\r\n\x1a\n";
    EXPECT_EQ(Head(proven / "A" / "P-1000-01-02.dwg"), png);
    EXPECT_EQ(Head(proven / "B" / "P-1000-01-02.dwg"), png);
    for (const char* id : {"F-0001.dwg", "F-0002.dwg", "F-0003.doc", "F-0004.dwg", "F-0005.dwg", "F-0101.dwg",
                           "F-0102.doc"})
        EXPECT_TRUE(std::filesystem::is_regular_file(working / id)) << id;
    EXPECT_TRUE(std::filesystem::is_regular_file(working / "XM-01-01" / "A" / "P-1000-01-01.dwg"));
    EXPECT_TRUE(std::filesystem::is_regular_file(working / "XM-02-01" / "B-3000-02-01.dwg"));
    EXPECT_TRUE(std::filesystem::is_regular_file(working / "XM-02-01" / "泵体强度计算书.doc"));
    // Each work document of the demo data has its content stored, the same bytes as its copy.
    EXPECT_EQ(demo.Query("SELECT count(*) FROM TeamWorkResult r WHERE NOT EXISTS (SELECT 1 FROM TeamWorkResultPack p "
                         "WHERE p.FileID=r.FileID AND p.DocSaved='1')"),
              "0");
    EXPECT_EQ(demo.Query("SELECT length(DocContent) FROM TeamWorkResultPack WHERE FileID='F-0005'"),
              std::to_string(std::filesystem::file_size(working / "F-0005.dwg")));
}
