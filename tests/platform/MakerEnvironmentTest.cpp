// The maker's libraries read the system's settings only through the environment they are handed.
#include "platform/maker/DBConnect.h"
#include "platform/maker/MakerEnvironment.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// An environment of the test's own: the maker's objects read their settings only through it.
class FakeEnvironment : public vq::MakerEnvironment {
public:
    CString ReadSetting(const char* section, const char* key, const char* def) override {
        asked.push_back(CString(section) + "/" + key);
        return CString(key) == "PDM数据源" ? CString("fromenvironment") : CString(def);
    }
    bool InstallFilePath(const CString&, CString&) override { return false; }
    _ConnectionPtr EntryConnection(bool) override { return _ConnectionPtr(); }
    CFtpConnection* EntryFtpConnection() override { return nullptr; }
    CString EntryFtpRootFolder() override { return CString(); }
    std::vector<CString> asked;
};

} // namespace

TEST(MakerEnvironment, TheMakersConnectionReadsItsSettingsFromTheEnvironmentItIsHanded) {
    vqtest::Workspace workspace; // no vqdetail.mdb in its system folder
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("vqdetail.mdb");
    FakeEnvironment environment;
    vq::MakerEnvironment* old = vq::SetMakerEnvironment(&environment);
    CVQDBConnect connect;
    EXPECT_FALSE(connect.Init());
    vq::SetMakerEnvironment(old);
    EXPECT_EQ(connect.m_strPdmSource, "fromenvironment");
    EXPECT_EQ(connect.m_strCappSource, "VQPCAPP");
    EXPECT_EQ(environment.asked, (std::vector<CString>{"服务器参数配置/PDM数据源", "VQCAPP配置/数据源名称"}));
    EXPECT_EQ(boxes.Pending(), 0);
}
