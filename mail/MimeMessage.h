// CMimeMessage: one outgoing mail (sender, recipients, subject, body parts, header lines, time of
// creation), written as Internet message text with MIME headers. The SMTP client takes its
// recipients for RCPT TO and its text for DATA.
//
// Texts are 8-bit strings as they go on the wire, in the charset of the first body part (GB2312,
// or GB18030 for this system's mails whose text GB2312 cannot hold); addresses are as stored. A
// subject or display name that is not plain ASCII is written as encoded words (Base64 of its
// bytes, declared in that charset), so that mail readers show it in its own characters.
#pragma once

#include "mail/MimeBodyPart.h"
#include "mail/MimeHeaderList.h"
#include "platform/base/String.h"
#include "platform/base/Time.h"

#include <vector>

class CMimeMessage {
public:
    enum { MultipartAuto = 0, MultipartMixed = 1, MultipartAlternative = 2, MultipartRelated = 3 };
    enum { RecipientTo = 0, RecipientCc = 1, RecipientBcc = 2 };

    // Takes SendTime and ZoneOffset from the clock and the time-zone settings.
    CMimeMessage();
    virtual ~CMimeMessage() = default;

    // Files the entries of a ";"-separated list ("address" or "name <address>") into the list of
    // kind; 1 when the whole list was read, 0 when it stopped at an entry whose ">" does not
    // follow its "<" (the entries before it stay filed).
    int AddRecipients(const char* list, int kind = RecipientTo);
    void AddStandardHeaders();
    void BuildText(CString& out);

    // Breaks every line longer than width after its last break character (" -;.,?!") within the
    // width, else after width bytes (never inside a double-byte character); line ends become CR LF.
    static void WrapLines(CString& out, const CString& in, int width);
    static void EncodeQuotedPrintable(CString& out, const CString& in);
    // The date in Internet form: "Mon, 7 Dec 2026 09:05:00 +0800".
    static CString FormatDate(const CTime& time, int zoneOffsetMinutes);
    // "name" <address> (or <address> alone) for each entry, joined by ",\r\n    "; quotes and
    // backslashes of a name are escaped with a backslash. A name that is not plain ASCII goes
    // without its surrounding blanks as encoded words of charset (EncodeHeaderText; the first
    // entry follows a header name of nameLength characters), the address untouched after it.
    static CString FormatAddresses(const std::vector<CMimeAddress>& list, const CString& charset = "GB2312",
                                   int nameLength = 2);
    // A header value as it may go on the wire: printable ASCII unchanged, anything else as
    // "=?charset?B?...?=" words of whole characters, each line of the header (after a name of
    // up to nameLength characters and ": ") within 76 characters, folded with CR LF and a blank.
    static CString EncodeHeaderText(const CString& text, const CString& charset, int nameLength);

    CMimeAddress From;
    CString Subject;
    std::vector<CMimeAddress> ToList;
    std::vector<CMimeBodyPart> BodyParts;
    std::vector<CMimeAddress> CcList;
    std::vector<CMimeAddress> BccList;
    CMimeHeaderList Headers;
    CTime SendTime;
    int MultipartKind = MultipartAuto;
    CString MessageId;
    int ZoneOffset = 0; // minutes east of UTC
};
