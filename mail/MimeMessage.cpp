#include "mail/MimeMessage.h"

#include "mail/Base64.h"
#include "platform/base/TextCodec.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

namespace {

const char* const kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char kBreakCharacters[] = " -;.,?!";

// The offset of local time from UTC at t, in minutes east.
int LocalZoneOffset(std::time_t t) {
    std::tm local{};
    std::tm utc{};
    local = *std::localtime(&t);
    utc = *std::gmtime(&t);
    int dayDifference = local.tm_yday - utc.tm_yday;
    if (local.tm_year != utc.tm_year)
        dayDifference = local.tm_year > utc.tm_year ? 1 : -1;
    else if (dayDifference > 1 || dayDifference < -1)
        dayDifference = dayDifference > 0 ? -1 : 1;
    return dayDifference * 1440 + (local.tm_hour - utc.tm_hour) * 60 + (local.tm_min - utc.tm_min);
}

// Splits text into lines ended by CR (a CR with a following LF, or a lone CR); the last line,
// without a CR, has ended false.
template <class Visit> void ForEachLine(std::string_view text, Visit visit) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t cr = text.find('\r', start);
        if (cr == std::string_view::npos) {
            visit(text.substr(start), false);
            return;
        }
        visit(text.substr(start, cr - start), true);
        start = cr + 1;
        if (start < text.size() && text[start] == '\n')
            ++start;
    }
}

// Where to cut a line that is longer than width: after the last break character within the
// width, else after width bytes, moved back so that no character of two or four bytes is split.
std::size_t CutPosition(std::string_view line, std::size_t width) {
    for (std::size_t i = width; i > 0; --i) {
        if (std::string_view(kBreakCharacters).find(line[i - 1]) != std::string_view::npos)
            return i;
    }
    std::size_t pos = 0;
    while (pos < width) {
        const std::size_t step = vq::GbCharacterLength(line, pos);
        if (pos + step > width)
            break;
        pos += step;
    }
    return pos == 0 ? width : pos;
}

// A display name of printable ASCII as the text of a quoted string: a quote or backslash of the
// name gets a backslash in front, so the name cannot close the quotes early.
std::string QuotedNameText(const CString& name) {
    std::string out;
    out.reserve(name.str().size() + 4);
    for (const char ch : name.str()) {
        if (ch == '"' || ch == '\\')
            out += '\\';
        out += ch;
    }
    return out;
}

// True when the text may stand in a header as it is: printable ASCII that no reader would take
// for an encoded word.
bool IsPlainHeaderText(std::string_view text) {
    for (const char ch : text)
        if (static_cast<unsigned char>(ch) < 0x20 || static_cast<unsigned char>(ch) > 0x7E)
            return false;
    return text.find("=?") == std::string_view::npos;
}

} // namespace

CMimeMessage::CMimeMessage() : SendTime(CTime::GetCurrentTime()) {
    ZoneOffset = LocalZoneOffset(SendTime.GetTime());
}

int CMimeMessage::AddRecipients(const char* list, int kind) {
    const std::string text = list ? list : "";
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find(';', start);
        std::string entry = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        CMimeAddress address;
        std::size_t open = entry.find('<');
        if (open != std::string::npos) {
            std::size_t close = entry.find('>');
            if (close == std::string::npos || close < open)
                return 0;
            address.Name = entry.substr(0, open);
            address.Address = entry.substr(open + 1, close - open - 1);
        } else {
            address.Address = entry;
        }
        if (kind == RecipientTo)
            ToList.push_back(address);
        else if (kind == RecipientCc)
            CcList.push_back(address);
        else if (kind == RecipientBcc)
            BccList.push_back(address);
        if (end == std::string::npos)
            return 1;
        start = end + 1;
    }
}

CString CMimeMessage::FormatDate(const CTime& time, int zoneOffsetMinutes) {
    int offset = zoneOffsetMinutes < 0 ? -zoneOffsetMinutes : zoneOffsetMinutes;
    CString text;
    text.Format("%s, %d %s %04d %02d:%02d:%02d %c%02d%02d", kDayNames[(time.GetDayOfWeek() + 6) % 7],
                time.GetDay(), kMonthNames[(time.GetMonth() + 11) % 12], time.GetYear(), time.GetHour(),
                time.GetMinute(), time.GetSecond(), zoneOffsetMinutes < 0 ? '-' : '+', offset / 60,
                offset % 60);
    return text;
}

CString CMimeMessage::FormatAddresses(const std::vector<CMimeAddress>& list, const CString& charset,
                                      int nameLength) {
    constexpr std::size_t kLineLimit = 76;
    constexpr std::size_t kIndent = 4;
    std::string text;
    std::size_t column = static_cast<std::size_t>(std::max(nameLength, 0)) + 2;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string address = "<" + list[i].Address.str() + ">";
        const CString& name = list[i].Name;
        // The entries after the first begin on lines of their own, after four blanks.
        const char* const indent = "    ";
        if (!name.IsEmpty() && IsPlainHeaderText(name.str())) {
            if (i > 0)
                text += ",\r\n" + std::string(indent);
            text += "\"" + QuotedNameText(name) + "\" " + address;
            continue;
        }
        // The blanks around a name only part it from its address; a reader shows the name alone.
        CString words = name;
        words.Trim(" ");
        // A name goes as one encoded word where a line can hold it (the line after a fold when
        // this one cannot, or with one blank in front of an entry instead of four): some readers
        // show a blank between two words of one name.
        const std::size_t oneWord =
            charset.str().size() + 7 + (static_cast<std::size_t>(words.GetLength()) + 2) / 3 * 4;
        const bool roomy = words.IsEmpty() || oneWord + kIndent <= kLineLimit || oneWord + 2 > kLineLimit;
        if (i > 0) {
            text += roomy ? ",\r\n    " : ",\r\n ";
            column = roomy ? kIndent : 1;
        } else if (!words.IsEmpty() && column + oneWord > kLineLimit && oneWord + 2 <= kLineLimit) {
            text += "\r\n ";
            column = 1;
        }
        if (!words.IsEmpty()) {
            // From the column on, each line of the words within the limit (as after "Name: ").
            const std::string encoded = EncodeHeaderText(words, charset, static_cast<int>(column) - 2).str();
            text += encoded;
            const std::size_t lastBreak = encoded.rfind("\r\n");
            column =
                lastBreak == std::string::npos ? column + encoded.size() : encoded.size() - lastBreak - 2;
            // A line that holds encoded words stays within the limit: the address may go on the next.
            text += column + 1 + address.size() > kLineLimit ? "\r\n " : " ";
        }
        text += address;
    }
    return text;
}

CString CMimeMessage::EncodeHeaderText(const CString& text, const CString& charset, int nameLength) {
    const std::string& bytes = text.str();
    if (IsPlainHeaderText(bytes))
        return text;
    const std::string open = "=?" + charset.str() + "?B?";
    constexpr std::size_t kLineLimit = 76;
    // The first line also holds "Name: ", the others the folding blank; each word holds at least
    // one character.
    const std::size_t overhead = open.size() + 2;
    const std::size_t firstRoom = std::max<std::size_t>(
        kLineLimit - std::min<std::size_t>(kLineLimit, static_cast<std::size_t>(std::max(nameLength, 0)) + 2),
        overhead + 4);
    std::string out;
    std::size_t pos = 0;
    CBase64 coder;
    while (pos < bytes.size()) {
        const std::size_t room = (out.empty() ? firstRoom : kLineLimit - 1) - overhead;
        const std::size_t maxBytes = room / 4 * 3;
        std::size_t end = pos;
        while (end < bytes.size()) {
            const std::size_t step = vq::GbCharacterLength(bytes, end);
            if (end + step - pos > maxBytes)
                break;
            end += step;
        }
        coder.Encode(bytes.data() + pos, static_cast<unsigned>(end - pos));
        if (!out.empty())
            out += "\r\n ";
        out += open + std::string(coder.EncodedMessage(), coder.EncodedLength()) + "?=";
        pos = end;
    }
    return out;
}

void CMimeMessage::AddStandardHeaders() {
    const char* const defaults[][2] = {{"X-Priority", "3 (Normal)"},
                                       {"X-MSMail-Priority", "Normal"},
                                       {"X-Mailer", " CSmtp COM Class Mailer "},
                                       {"Importance", "Normal"}};
    for (const auto& pair : defaults) {
        if (!Headers.Has(pair[0]))
            Headers.Add(pair[0], pair[1]);
    }
    Headers.Remove("Date");
    Headers.Add("Date", FormatDate(SendTime, ZoneOffset));
    Headers.Remove("Subject");
    // The subject and the display names are declared in the charset of the text they go with.
    const CString charset =
        BodyParts.empty() || BodyParts[0].Charset.IsEmpty() ? CString("GB2312") : BodyParts[0].Charset;
    Headers.Add("Subject", EncodeHeaderText(Subject, charset, 7));
    if (!CcList.empty()) {
        Headers.Remove("Cc");
        Headers.Add("Cc", FormatAddresses(CcList, charset, 2));
    }
    Headers.Remove("To");
    Headers.Add("To", FormatAddresses(ToList, charset, 2));
    Headers.Remove("From");
    Headers.Add("From", FormatAddresses({From}, charset, 4));
}

void CMimeMessage::BuildText(CString& out) {
    out.Empty();
    Headers.Remove("Content-Type");
    const bool multipart = BodyParts.size() > 1;
    CString boundary;
    if (multipart) {
        auto ticks = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count();
        boundary.Format("CSmtpMsgPart123X456_000_%8.8X", static_cast<unsigned>(ticks & 0xFFFFFFFF));
        if (MultipartKind == MultipartAuto)
            MultipartKind = MultipartAlternative;
        const char* kind = MultipartKind == MultipartMixed     ? "mixed"
                           : MultipartKind == MultipartRelated ? "related"
                                                               : "alternative";
        Headers.Add("Content-Type", CString("multipart/") + kind + ";\r\n\tboundary=\"" + boundary + "\"");
    }
    Headers.Remove("MIME-Version");
    Headers.Add("MIME-Version", "1.0");
    Headers.Remove("Message-ID");
    if (!MessageId.IsEmpty())
        Headers.Add("Message-ID", "<" + MessageId + ">");
    AddStandardHeaders();

    // Header lines are written whole: a long recipient list is already folded between entries.
    for (int i = Headers.GetCount() - 1; i >= 0; --i)
        out += Headers.GetName(i) + ": " + Headers.GetValue(i) + "\r\n";
    if (multipart)
        out += "\r\nThis is a multipart message in MIME format\r\n";
    for (const CMimeBodyPart& part : BodyParts) {
        if (multipart)
            out += "\r\n--" + boundary + "\r\n";
        out += "Content-Type: " + part.ContentType;
        if (part.ContentType.Left(5).CompareNoCase("text/") == 0)
            out += ";\r\n\tcharset=\"" + part.Charset + "\"";
        out += "\r\n";
        CString encoded, encodingName;
        CMimeBodyPart::EncodeBody(part.Encoding, part.Text, encoded, encodingName);
        out += "Content-Transfer-Encoding: " + encodingName;
        if (!part.ContentId.IsEmpty())
            out += "\r\nContent-ID: <" + part.ContentId + ">";
        out += "\r\n\r\n" + encoded;
    }
    if (multipart)
        out += "\r\n--" + boundary + "--\r\n";
}

void CMimeMessage::WrapLines(CString& out, const CString& in, int width) {
    std::string result;
    result.reserve(in.str().size() + in.str().size() / 32);
    const std::size_t limit = width > 0 ? static_cast<std::size_t>(width) : 76;
    // The rest of a long line is a view that moves on; nothing is erased from the front.
    ForEachLine(in.str(), [&](std::string_view line, bool ended) {
        while (line.size() > limit) {
            std::size_t cut = CutPosition(line, limit);
            result.append(line.substr(0, cut));
            result += "\r\n";
            line.remove_prefix(cut);
        }
        result += line;
        if (ended)
            result += "\r\n";
    });
    out = result;
}

void CMimeMessage::EncodeQuotedPrintable(CString& out, const CString& in) {
    std::string escaped;
    escaped.reserve(in.str().size() * 2);
    char hex[4];
    for (char ch : in.str()) {
        auto byte = static_cast<unsigned char>(ch);
        if (byte == '=' || byte == 127 || byte >= 128 ||
            (byte < 32 && byte != '\t' && byte != '\r' && byte != '\n')) {
            std::snprintf(hex, sizeof hex, "=%2.2X", byte);
            escaped += hex;
        } else {
            escaped += ch;
        }
    }
    std::string result;
    result.reserve(escaped.size() + escaped.size() / 32);
    ForEachLine(escaped, [&](std::string_view line, bool ended) {
        // The rest of a long line is a view that moves on; nothing is erased from the front.
        std::string_view rest = line;
        std::string escapedEnd;
        for (;;) {
            while (rest.size() >= 77) {
                std::size_t count = rest[74] == '=' ? 74 : rest[73] == '=' ? 73 : 75;
                result.append(rest.substr(0, count));
                result += "=\r\n";
                rest.remove_prefix(count);
            }
            if (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) {
                // The last piece is short: copying it with its escaped end costs nothing.
                escapedEnd = std::string(rest.substr(0, rest.size() - 1)) + (rest.back() == ' ' ? "=20" : "=09");
                rest = escapedEnd;
                continue;
            }
            break;
        }
        result += rest;
        if (ended)
            result += "\r\n";
    });
    out = result;
}
