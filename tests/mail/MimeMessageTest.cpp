// The MIME message builder: recipient lists, the header block of the mail job's messages, the
// choice and working of the transfer encodings, line wrapping and dot-stuffing.
#include "mail/MimeMessage.h"
#include "mail/Base64.h"
#include "platform/base/TextCodec.h"
#include "tests/support/SmtpServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <string>

namespace {

// The mail job's message: sender address only, one text/plain part in GB2312, automatic encoding.
CMimeMessage JobMessage(const char* to, const std::string& subject, const std::string& text) {
    CMimeMessage message;
    message.SendTime = CTime(2026, 3, 5, 9, 7, 3);
    message.ZoneOffset = 480;
    message.From.SetAddress("sender@vq.example");
    message.AddRecipients(to);
    message.Subject = subject;
    message.BodyParts.emplace_back(text.c_str(), "text/plain", "GB2312");
    return message;
}

std::string Body(const std::string& text, CString* encodingName = nullptr) {
    CString out, name;
    CMimeBodyPart::EncodeBody(CMimeBodyPart::EncodingAuto, text, out, name);
    if (encodingName)
        *encodingName = name;
    return out.str();
}

} // namespace

TEST(MimeRecipients, EntriesNamesAndBadEntries) {
    CMimeMessage message;
    EXPECT_EQ(1, message.AddRecipients("Zhang San <zs@vq.example>;li@vq.example;"));
    ASSERT_EQ(3u, message.ToList.size());
    EXPECT_EQ("Zhang San ", message.ToList[0].Name);
    EXPECT_EQ("zs@vq.example", message.ToList[0].Address);
    EXPECT_EQ("", message.ToList[1].Name);
    EXPECT_EQ("li@vq.example", message.ToList[1].Address);
    EXPECT_EQ("", message.ToList[2].Address);
    EXPECT_EQ("\"Zhang San \" <zs@vq.example>,\r\n    <li@vq.example>,\r\n    <>",
              CMimeMessage::FormatAddresses(message.ToList));

    // Quotes and backslashes in a name are escaped; a name that is not ASCII goes as an encoded
    // word, so a code page 936 character whose second byte is a backslash stays whole.
    std::vector<CMimeAddress> named{CMimeAddress("zs@x", "Zhang \"Boss\" \\ "),
                                    CMimeAddress("w@x", "\x81\x5c\"")};
    EXPECT_EQ("\"Zhang \\\"Boss\\\" \\\\ \" <zs@x>,\r\n    =?GB2312?B?gVwi?= <w@x>",
              CMimeMessage::FormatAddresses(named));

    CMimeMessage other;
    EXPECT_EQ(1, other.AddRecipients("", CMimeMessage::RecipientCc));
    EXPECT_EQ(1u, other.CcList.size());
    EXPECT_EQ(0, other.AddRecipients("a@x;b >x< c;d@x"));
    ASSERT_EQ(1u, other.ToList.size()); // the entry before the bad one stays filed
    EXPECT_EQ(1, other.AddRecipients("z@x", 7));
    EXPECT_EQ(1u, other.ToList.size());
}

TEST(MimeMessageText, SinglePartHeadersInTheJobsOrder) {
    CMimeMessage message = JobMessage("a@vq.example;b@vq.example", "Weekly notice", "Line one\r\nLine two");
    CString text;
    message.BuildText(text);
    EXPECT_EQ("From: <sender@vq.example>\r\n"
              "To: <a@vq.example>,\r\n    <b@vq.example>\r\n"
              "Subject: Weekly notice\r\n"
              "Date: Thu, 5 Mar 2026 09:07:03 +0800\r\n"
              "Importance: Normal\r\n"
              "X-Mailer:  CSmtp COM Class Mailer \r\n"
              "X-MSMail-Priority: Normal\r\n"
              "X-Priority: 3 (Normal)\r\n"
              "MIME-Version: 1.0\r\n"
              "Content-Type: text/plain;\r\n\tcharset=\"GB2312\"\r\n"
              "Content-Transfer-Encoding: 7bit\r\n"
              "\r\n"
              "Line one\r\nLine two",
              text.str());
    // Building again replaces the headers instead of repeating them.
    CString again;
    message.BuildText(again);
    EXPECT_EQ(text.GetLength(), again.GetLength());
}

// A subject in code page 936 goes as encoded words of the body's charset that mail readers decode
// back to it: ASCII only, every line of the header within 76 characters, no character split
// between two words; an ASCII subject stays as it is unless a reader would take it for a word.
TEST(MimeMessageText, SubjectsGoAsEncodedWordsWithinTheLineLimit) {
    auto subjectOf = [](const std::string& subject) {
        CMimeMessage message = JobMessage("a@x", vq::Utf8ToGbk(subject), "t");
        CString text;
        message.BuildText(text);
        return text.str();
    };
    EXPECT_EQ(vqtest::SmtpServer::HeaderLines(subjectOf("更改单发放自动通知"), "Subject"),
              std::vector<std::string>{"Subject: =?GB2312?B?uPy4xLWlt6K3xdfUtq/NqNaq?="});

    std::string longSubject;
    for (int i = 0; i < 12; ++i)
        longSubject += "更改单JX-2026-00" + std::to_string(i) + "已发放，";
    for (const std::string& subject :
         {longSubject, std::string("a") + longSubject, std::string("ab") + longSubject}) {
        const std::string data = subjectOf(subject);
        const std::vector<std::string> lines = vqtest::SmtpServer::HeaderLines(data, "Subject");
        ASSERT_GT(lines.size(), 4u);
        std::string wordByWord;
        for (const std::string& line : lines) {
            EXPECT_LE(line.size(), 76u) << line;
            EXPECT_TRUE(std::all_of(line.begin(), line.end(), [](char ch) {
                return ch >= 0x20 && ch < 0x7F;
            })) << line;
            // Each word alone decodes to whole characters.
            wordByWord +=
                vqtest::SmtpServer::HeaderText("S: " + line.substr(line.find("=?")) + "\r\n\r\n", "S").str();
        }
        EXPECT_EQ(wordByWord, subject);
        EXPECT_EQ(vqtest::SmtpServer::HeaderText(data, "Subject"), CString(subject));
    }

    EXPECT_EQ(vqtest::SmtpServer::HeaderLines(subjectOf("Weekly notice"), "Subject"),
              std::vector<std::string>{"Subject: Weekly notice"});
    const std::string lookalike = subjectOf("=?GB2312?B?uPy4xA==?=");
    EXPECT_EQ(vqtest::SmtpServer::HeaderText(lookalike, "Subject"), CString("=?GB2312?B?uPy4xA==?="));
    EXPECT_EQ(vqtest::SmtpServer::HeaderLines(lookalike, "Subject")[0].find("=?GB2312?B?uPy4xA==?="),
              std::string::npos);
}

// Display names and the subject in GB18030, as two mail readers read them: four-byte characters
// are never split between two encoded words, a name that one word holds goes as one word (on a
// line of its own when the line has no room), a longer one in words of whole characters, and
// the address in its brackets stays as it is; every header line is ASCII within 76 characters.
TEST(MimeMessageText, NamesAndSubjectInGb18030ReachReadersWhole) {
    std::string shortName, oneWordName, longName, subject;
    for (int i = 0; i < 4; ++i)
        shortName += "镕•";
    for (int i = 0; i < 22; ++i)
        oneWordName += i % 2 ? "喆" : "堃";
    for (int i = 0; i < 20; ++i)
        longName += "•堃";
    for (int i = 0; i < 20; ++i)
        subject += "镕钢车间•";
    CMimeMessage message;
    message.SendTime = CTime(2026, 3, 5, 9, 7, 3);
    message.From = CMimeAddress("pdm@vq.example", vq::Utf8ToGb18030("设计部门 •").c_str());
    message.ToList = {CMimeAddress("a@vq.example", vq::Utf8ToGb18030(" " + shortName + " ").c_str()),
                      CMimeAddress("b@vq.example", vq::Utf8ToGb18030(oneWordName).c_str()),
                      CMimeAddress("c@vq.example", vq::Utf8ToGb18030(longName).c_str()),
                      CMimeAddress("d@vq.example")};
    message.Subject = vq::Utf8ToGb18030(subject);
    message.BodyParts.emplace_back(vq::Utf8ToGb18030("正文 •").c_str(), "text/plain", "GB18030");
    CString text;
    message.BuildText(text);
    const std::string data = text.str();
    const auto read = vqtest::SmtpServer::ReadAsMailReaders(data);
    ASSERT_TRUE(read.ran) << (read.defects.empty() ? "" : read.defects[0].str());
    for (const CString& defect : read.defects)
        ADD_FAILURE() << defect.str() << "\n" << data;
    EXPECT_EQ(read.subject, CString(subject));
    EXPECT_EQ(read.oldSubject, CString(subject));
    EXPECT_EQ(read.body, "正文 •");
    ASSERT_EQ(read.addresses.size(), 5u) << data;
    EXPECT_EQ(read.addresses[0], "设计部门 • <pdm@vq.example>");
    EXPECT_EQ(read.addresses[1], CString(shortName + " <a@vq.example>"));
    EXPECT_EQ(read.addresses[2], CString(oneWordName + " <b@vq.example>")) << data;
    EXPECT_EQ(read.addresses[4], "d@vq.example");
    // The second reader joins the words of the long name without a blank.
    EXPECT_GE(read.oldTo.Find(CString(longName + " <c@vq.example>")), 0) << read.oldTo.str();
    const std::vector<std::string> to = vqtest::SmtpServer::HeaderLines(data, "To");
    EXPECT_EQ(std::count_if(to.begin(), to.end(),
                            [](const std::string& line) { return line.find("=?") != std::string::npos; }),
              5)
        << data; // one each, the one-word name on a line of its own, the long name in three
    for (const std::string& name : {std::string("From"), std::string("To"), std::string("Subject")})
        for (const std::string& line : vqtest::SmtpServer::HeaderLines(data, name)) {
            EXPECT_LE(line.size(), 76u) << line;
            EXPECT_TRUE(std::all_of(line.begin(), line.end(), [](char ch) {
                return ch >= 0x20 && ch < 0x7F;
            })) << line;
        }
}

TEST(MimeMessageText, PresetHeadersCcAndMultipart) {
    CMimeMessage message = JobMessage("a@x", "s", "one");
    message.Headers.Add("X-Priority", "1 (Highest)");
    message.AddRecipients("c@x", CMimeMessage::RecipientCc);
    message.AddRecipients("hidden@x", CMimeMessage::RecipientBcc);
    message.MessageId = "id1@vq";
    message.BodyParts.emplace_back("<p>one</p>", "text/html", "GB2312");
    CString text;
    message.BuildText(text);
    const std::string out = text.str();
    EXPECT_NE(std::string::npos, out.find("X-Priority: 1 (Highest)\r\n"));
    EXPECT_EQ(std::string::npos, out.find("3 (Normal)"));
    EXPECT_NE(std::string::npos, out.find("Cc: <c@x>\r\n"));
    EXPECT_EQ(std::string::npos, out.find("hidden"));
    EXPECT_NE(std::string::npos, out.find("Message-ID: <id1@vq>\r\n"));
    std::size_t at = out.find("boundary=\"CSmtpMsgPart123X456_000_");
    ASSERT_NE(std::string::npos, at);
    EXPECT_NE(std::string::npos, out.find("Content-Type: multipart/alternative;\r\n\tboundary="));
    const std::string boundary = out.substr(at + 10, 32);
    EXPECT_NE(std::string::npos,
              out.find("\r\nThis is a multipart message in MIME format\r\n\r\n--" + boundary + "\r\n"));
    EXPECT_NE(std::string::npos, out.find("\r\n--" + boundary + "\r\nContent-Type: text/html;"));
    EXPECT_EQ(out.size() - boundary.size() - 8, out.rfind("\r\n--" + boundary + "--\r\n"));
}

TEST(MimeDate, InternetFormWithZone) {
    CTime time(2026, 12, 7, 23, 0, 9);
    EXPECT_EQ("Mon, 7 Dec 2026 23:00:09 +0800", CMimeMessage::FormatDate(time, 480));
    EXPECT_EQ("Mon, 7 Dec 2026 23:00:09 -0500", CMimeMessage::FormatDate(time, -300));
    EXPECT_EQ("Mon, 7 Dec 2026 23:00:09 +0530", CMimeMessage::FormatDate(time, 330));
    EXPECT_EQ("Sun, 11 Jan 2026 00:00:00 +0000", CMimeMessage::FormatDate(CTime(2026, 1, 11, 0, 0, 0), 0));
}

TEST(MimeHeaderList, RemoveIsExactAndMovesLaterEntriesUp) {
    CMimeHeaderList list;
    list.Add("To", "a");
    list.Add("Subject", "b");
    list.Add("To", "c");
    EXPECT_EQ(0, list.Remove("to"));
    EXPECT_EQ(1, list.Remove("To"));
    ASSERT_EQ(2, list.GetCount());
    EXPECT_EQ("Subject", list.GetName(0));
    EXPECT_EQ("c", list.GetValue(1));
}

TEST(MimeEncodingChoice, ByPrintableShareAndLineLength) {
    auto choose = [](const std::string& s) {
        return CMimeBodyPart::ChooseTransferEncoding(s.data(), static_cast<int>(s.size()));
    };
    EXPECT_EQ(1, choose(""));
    EXPECT_EQ(1, choose("plain text\r\nsecond line\r\n"));
    EXPECT_EQ(1, choose(std::string(100, 'a'))); // the text after the last CR is not measured
    EXPECT_EQ(3, choose(std::string(100, 'a') + "\r\n"));
    EXPECT_EQ(1, choose(std::string(77, 'a') + "\r\n"));
    EXPECT_EQ(3, choose(std::string(78, 'a') + "\r\n"));
    EXPECT_EQ(3, choose("x\r\n" + std::string(77, 'a') + "\r\n"));
    EXPECT_EQ(2, choose(std::string(95, 'a') + "\xB2\xE2\xCA\xD4\x7F"));
    EXPECT_EQ(4, choose(vq::Utf8ToGbk("设计变更通知：图纸已发放")));
}

TEST(MimeEncodingChoice, SevenBitWrapsAndStuffsDots) {
    CString name;
    EXPECT_EQ("first\r\nsecond", Body("first\nsecond", &name));
    EXPECT_EQ("7bit", name);
    // Bare LF and bare CR become CR LF; lines beginning with "." get a second one.
    EXPECT_EQ("..dot first\r\nmid\r\n..\r\n...more\r\n", Body(".dot first\rmid\n.\r\n..more\n"));
    // One long line without a line end stays 7bit and is wrapped at 76 after a break character.
    std::string words;
    for (int i = 0; i < 20; ++i)
        words += "word ";
    std::string out = Body(words, &name);
    EXPECT_EQ("7bit", name);
    EXPECT_EQ(words.substr(0, 75) + "\r\n" + words.substr(75), out);
    EXPECT_EQ(std::string(76, 'a') + "\r\n" + std::string(24, 'a'), Body(std::string(100, 'a')));
    CString sevenBit;
    CMimeBodyPart::EncodeBody(CMimeBodyPart::Encoding7bit,
                              "a\x7F"
                              "b",
                              sevenBit, name);
    EXPECT_EQ("a?b", sevenBit.str());
    EXPECT_EQ("", Body("", &name));
    EXPECT_EQ("7bit", name);
}

TEST(MimeEncodingChoice, QuotedPrintableEscapesAndSoftBreaks) {
    CString out;
    CMimeMessage::EncodeQuotedPrintable(out, "a=b \r\nend\t");
    EXPECT_EQ("a=3Db=20\r\nend=09", out.str());
    CMimeMessage::EncodeQuotedPrintable(out, std::string(80, 'x'));
    EXPECT_EQ(std::string(75, 'x') + "=\r\n" + std::string(5, 'x'), out.str());
    // An escape is never split by a soft break.
    CMimeMessage::EncodeQuotedPrintable(out, std::string(73, 'x') + "\xE9" + std::string(10, 'y'));
    EXPECT_EQ(std::string(73, 'x') + "=\r\n=E9" + std::string(10, 'y'), out.str());
    CMimeMessage::EncodeQuotedPrintable(out, std::string(74, 'x') + "\xE9" + std::string(10, 'y'));
    EXPECT_EQ(std::string(74, 'x') + "=\r\n=E9" + std::string(10, 'y'), out.str());

    CString name;
    std::string body = Body(std::string(100, 'q') + "\r\n.next", &name);
    EXPECT_EQ("quoted-printable", name);
    EXPECT_EQ(std::string(75, 'q') + "=\r\n" + std::string(25, 'q') + "\r\n..next", body);
}

// Attachments of several megabytes: each encoding takes time in proportion to the size (a
// quadratic one took minutes), and every line still holds at most 76 characters.
TEST(MimeEncodingChoice, LargeBodiesEncodeInLinearTime) {
    constexpr std::size_t kSize = 2 << 20;
    std::string binary(kSize, '\0');
    for (std::size_t i = 0; i < kSize; ++i) {
        const auto byte = static_cast<char>((i * 2654435761u) >> 13);
        binary[i] = byte == '\r' || byte == '\n' ? '\x80' : byte; // no line ends to make canonical
    }
    const std::string words = [] {
        std::string text;
        while (text.size() < kSize)
            text += "word ";
        return text;
    }();
    const std::string escaped(kSize, '=');
    auto longestLine = [](const std::string& text) {
        std::size_t longest = 0, start = 0;
        for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
            longest = std::max(longest, end - start);
        return std::max(longest, text.size() - start);
    };
    // Processor time, which a busy machine hardly stretches, unlike the time on the clock.
    const std::clock_t start = std::clock();
    CString name;
    const std::string base64 = Body(binary, &name);
    EXPECT_EQ("base64", name);
    EXPECT_EQ(76u, longestLine(base64));
    CBase64 coder;
    coder.Decode(base64.c_str());
    ASSERT_EQ(kSize + (3 - kSize % 3) % 3, coder.DecodedLength()); // pad characters decode to zero bytes
    EXPECT_EQ(0, std::memcmp(binary.data(), coder.DecodedMessage(), kSize));
    const std::string wrapped = Body(words, &name);
    EXPECT_EQ("7bit", name);
    EXPECT_EQ(75u, longestLine(wrapped));
    EXPECT_EQ(words.size() + (words.size() - 1) / 75 * 2, wrapped.size());
    CString quoted;
    CMimeMessage::EncodeQuotedPrintable(quoted, escaped);
    EXPECT_EQ(76u, longestLine(quoted.str())); // 25 escapes and the soft break's "="
    EXPECT_EQ(3 * kSize + (kSize + 24) / 25 * 3 - 3, quoted.str().size());
    EXPECT_LT(static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC, 10.0);
}

TEST(MimeEncodingChoice, ChineseGoesAsBase64InLinesOf76) {
    const std::string text = vq::Utf8ToGbk("更改单 ECN-0001 已发放，请查收。\n第二行：图纸与零件明细。\n");
    CString name;
    std::string body = Body(text, &name);
    EXPECT_EQ("base64", name);
    EXPECT_EQ(76u, body.find("\r\n"));
    CBase64 coder;
    coder.Decode(body.c_str());
    std::string canonical = vq::Utf8ToGbk("更改单 ECN-0001 已发放，请查收。\r\n第二行：图纸与零件明细。\r\n");
    EXPECT_EQ(canonical, std::string(reinterpret_cast<const char*>(coder.DecodedMessage())));
}

TEST(MimeWrap, BreaksAfterBreakCharactersAndNeverInsideACharacter) {
    CString out;
    CMimeMessage::WrapLines(out, "aaaa,bbbb cc", 8);
    EXPECT_EQ("aaaa,\r\nbbbb cc", out.str());
    // A break character beyond the width: hard cut at the width.
    CMimeMessage::WrapLines(out, "abcdefghij-k", 8);
    EXPECT_EQ("abcdefgh\r\nij-k", out.str());
    // Code page 936 double-byte characters are not split by a hard cut.
    const std::string chinese = vq::Utf8ToGbk("a更改单号码");
    CMimeMessage::WrapLines(out, chinese, 4);
    EXPECT_EQ(chinese.substr(0, 3) + "\r\n" + chinese.substr(3, 4) + "\r\n" + chinese.substr(7), out.str());
    CMimeMessage::WrapLines(out, "x\ry\r\n", 76);
    EXPECT_EQ("x\r\ny\r\n", out.str());
    // Nor are the four-byte characters of GB18030 (a lead byte, then a digit).
    const std::string four = vq::Utf8ToGb18030("ab••");
    ASSERT_EQ(10u, four.size());
    CMimeMessage::WrapLines(out, four, 5);
    EXPECT_EQ(four.substr(0, 2) + "\r\n" + four.substr(2, 4) + "\r\n" + four.substr(6), out.str());
}
