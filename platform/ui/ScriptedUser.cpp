#include "platform/ui/ScriptedUser.h"
#include "platform/base/EndRequest.h"

#include "platform/ui/Button.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/DateTimeCtrl.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Edit.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/Menu.h"
#include "platform/ui/RichEditCtrl.h"
#include "platform/ui/Static.h"
#include "platform/ui/TabCtrl.h"
#include "platform/ui/TreeCtrl.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <sstream>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace vq {
namespace {

// A caption as a person reads it: without the '&' that marks the access key.
CString Readable(const CString& caption) {
    std::string out;
    const std::string& s = caption.str();
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '&') {
            if (i + 1 < s.size() && s[i + 1] == '&')
                out += s[++i];
            continue;
        }
        out += s[i];
    }
    return CString(std::move(out));
}

CString Quote(const CString& text) {
    std::string out = "\"";
    for (char c : text.str()) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return CString(out + "\"");
}

void Collect(CWnd& root, std::vector<CWnd*>& out) {
    for (CWnd* child : root.GetChildren()) {
        out.push_back(child);
        Collect(*child, out);
    }
}

// The control with the id: a child of the dialog, else one inside a child window (a page).
CWnd* FindById(CWnd& dialog, int id) {
    if (CWnd* direct = dialog.GetDlgItem(id))
        return direct;
    std::vector<CWnd*> all;
    Collect(dialog, all);
    for (CWnd* w : all)
        if (w->GetDlgCtrlID() == id && w->GetControlKind() != ControlKind::Header)
            return w;
    return nullptr;
}

// Whether the control's text is a caption a person reads (not the content of a field).
bool HasCaption(const CWnd& w) {
    switch (w.GetControlKind()) {
    case ControlKind::Static:
    case ControlKind::GroupBox:
    case ControlKind::PushButton:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
        return true;
    default:
        return false;
    }
}

// The controls whose caption, with or without its access-key '&', is this text.
std::vector<CWnd*> FindByCaption(CWnd& dialog, const CString& caption) {
    std::vector<CWnd*> all;
    Collect(dialog, all);
    std::vector<CWnd*> found;
    for (CWnd* w : all)
        if (HasCaption(*w) && (Readable(w->GetWindowTextValue()) == caption || w->GetWindowTextValue() == caption))
            found.push_back(w);
    return found;
}

// A control as an error message names it: "combo box 1060", "check box 1087 \"只读\"".
CString NameOf(CWnd& w) {
    static const char* const kinds[] = {"window",    "dialog",    "button",       "check box", "radio button",
                                        "group",     "label",     "field",        "combo box", "drop-down list",
                                        "list box",  "report list", "header",     "tree",      "progress bar",
                                        "spin",      "date picker", "tab control", "rich text"};
    const auto kind = static_cast<std::size_t>(w.GetControlKind());
    CString name;
    name.Format("%s %d", kind < std::size(kinds) ? kinds[kind] : "control", w.GetDlgCtrlID());
    if (HasCaption(w) && !w.GetWindowTextValue().IsEmpty())
        name += " \"" + Readable(w.GetWindowTextValue()) + "\"";
    return name;
}

bool TakesInput(const CWnd& w) {
    switch (w.GetControlKind()) {
    case ControlKind::Static:
    case ControlKind::GroupBox:
    case ControlKind::Header:
        return false;
    default:
        return true;
    }
}

// The field a label names: the first control after it that takes input.
CWnd* FieldAfter(CWnd& label) {
    CWnd* parent = label.GetParent();
    if (!parent)
        return nullptr;
    const auto& siblings = parent->GetChildren();
    bool seen = false;
    for (CWnd* w : siblings) {
        if (w == &label) {
            seen = true;
            continue;
        }
        if (seen && TakesInput(*w))
            return w;
    }
    return nullptr;
}

// Whether the control takes typed text.
bool IsTextField(const CWnd& w) {
    switch (w.GetControlKind()) {
    case ControlKind::Edit:
    case ControlKind::ComboBox:
    case ControlKind::DateTime:
    case ControlKind::RichEdit:
        return true;
    default:
        return false;
    }
}

bool IsBeside(const CWnd& w) {
    return w.GetTemplate() && (w.GetTemplate()->layout & kBeside);
}

// The field a button ("...", "选择文件...") belongs to: the text field it sits beside on one row,
// directly before it or directly after it.
CWnd* FieldOfButton(CWnd& button) {
    CWnd* parent = button.GetParent();
    if (!parent)
        return nullptr;
    const auto& siblings = parent->GetChildren();
    for (std::size_t i = 0; i < siblings.size(); ++i) {
        if (siblings[i] != &button)
            continue;
        if (i > 0 && IsBeside(button) && IsTextField(*siblings[i - 1]))
            return siblings[i - 1];
        if (i + 1 < siblings.size() && IsBeside(*siblings[i + 1]) && IsTextField(*siblings[i + 1]))
            return siblings[i + 1];
        return nullptr;
    }
    return nullptr;
}

// Whether a box of this type has the button that gives the answer.
bool HasButton(UINT type, int answer) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return answer == IDOK || answer == IDCANCEL;
    case MB_ABORTRETRYIGNORE:
        return answer == IDABORT || answer == IDRETRY || answer == IDIGNORE;
    case MB_YESNOCANCEL:
        return answer == IDYES || answer == IDNO || answer == IDCANCEL;
    case MB_YESNO:
        return answer == IDYES || answer == IDNO;
    case MB_RETRYCANCEL:
        return answer == IDRETRY || answer == IDCANCEL;
    default:
        return answer == IDOK;
    }
}

// A number of a script line: digits only, from 0 to most (ids, rows, entries, check states,
// colour parts and answers are never negative). What does not fit is refused, never wrapped
// (4294967297 would be 1, OK).
bool ParseNumber(const std::string& word, int& value, int most = INT_MAX) {
    if (word.empty() || word.size() > 10 ||
        !std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const long long v = std::stoll(word);
    if (v > most)
        return false;
    value = static_cast<int>(v);
    return true;
}

int ParseAnswer(const std::string& word, bool& ok) {
    static const std::pair<const char*, int> answers[] = {
        {"IDOK", IDOK},       {"IDCANCEL", IDCANCEL}, {"IDYES", IDYES},      {"IDNO", IDNO},
        {"IDABORT", IDABORT}, {"IDRETRY", IDRETRY},   {"IDIGNORE", IDIGNORE}};
    ok = true;
    for (const auto& [name, value] : answers)
        if (word == name)
            return value;
    int value = 0;
    ok = ParseNumber(word, value);
    return value;
}

// Reads a date picker value: "yyyy-MM-dd", optionally followed by " HH:mm" or " HH:mm:ss".
bool ParseDate(const CString& text, SYSTEMTIME& t) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char tail = 0;
    const int n = std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%c", &y, &mo, &d, &h, &mi, &s, &tail);
    if (n != 3 && n != 5 && n != 6)
        return false;
    t = SYSTEMTIME();
    t.wYear = static_cast<WORD>(y);
    t.wMonth = static_cast<WORD>(mo);
    t.wDay = static_cast<WORD>(d);
    t.wHour = static_cast<WORD>(h);
    t.wMinute = static_cast<WORD>(mi);
    t.wSecond = static_cast<WORD>(s);
    return y > 0 && IsValidSystemTime(t);
}

struct Token {
    enum Kind { Word, Text, Partial, Star } kind = Word;
    std::string value;
};

bool Tokenize(const std::string& line, std::vector<Token>& tokens, CString& error) {
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        Token token;
        if (c == '~' && i + 1 < line.size() && line[i + 1] == '"') {
            token.kind = Token::Partial;
            ++i;
        }
        if (line[i] == '"') {
            if (token.kind != Token::Partial)
                token.kind = Token::Text;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const char ch = line[i++];
                if (ch == '"') {
                    closed = true;
                    break;
                }
                if (ch == '\\' && i < line.size()) {
                    const char esc = line[i++];
                    token.value += esc == 'n' ? '\n' : esc == 't' ? '\t' : esc;
                    continue;
                }
                token.value += ch;
            }
            if (!closed) {
                error = "unterminated text";
                return false;
            }
        } else if (c == '*') {
            token.kind = Token::Star;
            ++i;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
                token.value += line[i++];
        }
        tokens.push_back(std::move(token));
    }
    return true;
}

bool ParseInt(const Token& token, int& value, int most = INT_MAX) {
    return token.kind == Token::Word && ParseNumber(token.value, value, most);
}

} // namespace

bool ParseScriptLine(const CString& line, ScriptedUser::Step& step, CString& error) {
    std::vector<Token> t;
    if (!Tokenize(line.str(), t, error))
        return false;
    if (t.empty() || t[0].kind != Token::Word) {
        error = "a line starts with an action";
        return false;
    }
    const std::string verb = t[0].value;
    auto target = [&](std::size_t index) {
        if (index >= t.size())
            return false;
        if (t[index].kind == Token::Text || t[index].kind == Token::Star) {
            step.byText = true;
            step.target = t[index].kind == Token::Star ? "*" : t[index].value;
            return true;
        }
        return ParseInt(t[index], step.id);
    };
    auto numberOrText = [&](std::size_t index) {
        if (index >= t.size())
            return false;
        if (t[index].kind == Token::Text) {
            step.text = t[index].value;
            step.hasNumber = false;
            return true;
        }
        step.hasNumber = true;
        return ParseInt(t[index], step.number);
    };
    using Verb = ScriptedUser::Verb;
    bool ok = false;
    if (verb == "dialog" || verb == "window") {
        step.verb = verb == "dialog" ? Verb::Dialog : Verb::Window;
        ok = t.size() == 2 && (t[1].kind == Token::Text || t[1].kind == Token::Partial);
        if (ok) {
            step.target = t[1].value;
            step.partial = t[1].kind == Token::Partial;
        }
    } else if (verb == "set") {
        step.verb = Verb::Set;
        ok = t.size() == 3 && target(1) && t[2].kind == Token::Text;
        if (ok)
            step.text = t[2].value;
    } else if (verb == "click") {
        step.verb = Verb::Click;
        ok = t.size() == 2 && target(1);
    } else if (verb == "check") {
        step.verb = Verb::Check;
        ok = t.size() == 3 && target(1) && ParseInt(t[2], step.number, 2);
    } else if (verb == "select" || verb == "dblclick" || verb == "rclick") {
        step.verb = verb == "select"     ? Verb::Select
                    : verb == "dblclick" ? Verb::DoubleClick
                                         : Verb::RightClick;
        ok = t.size() == 3 && target(1) && numberOrText(2);
    } else if (verb == "column") {
        step.verb = Verb::Column;
        ok = t.size() == 3 && target(1) && ParseInt(t[2], step.number);
    } else if (verb == "tree" || verb == "expand") {
        step.verb = verb == "tree" ? Verb::Tree : Verb::Expand;
        ok = t.size() == 3 && target(1) && t[2].kind == Token::Text;
        if (ok)
            step.text = t[2].value;
    } else if (verb == "message") {
        step.verb = Verb::Message;
        ok = t.size() == 3 && t[1].kind != Token::Word;
        if (ok) {
            step.any = t[1].kind == Token::Star;
            step.partial = t[1].kind == Token::Partial;
            step.text = t[1].value;
            ok = t[2].kind == Token::Word;
            if (ok)
                step.number = ParseAnswer(t[2].value, ok);
        }
    } else if (verb == "file") {
        step.verb = Verb::File;
        ok = (t.size() == 2 || t.size() == 3) && t[1].kind == Token::Text;
        step.number = 1;
        if (ok && t.size() == 3)
            ok = ParseInt(t[2], step.number);
        if (ok && !t[1].value.empty())
            step.paths.push_back(t[1].value);
    } else if (verb == "color") {
        step.verb = Verb::Color;
        int r = 0, g = 0, b = 0;
        if (t.size() == 2 && t[1].kind == Token::Word && t[1].value == "cancel") {
            step.color = -1;
            ok = true;
        } else {
            ok = t.size() == 4 && ParseInt(t[1], r, 255) && ParseInt(t[2], g, 255) && ParseInt(t[3], b, 255);
            step.color = RGB(r, g, b);
        }
    } else if (verb == "font") {
        step.verb = Verb::Font;
        if (t.size() == 2 && t[1].kind == Token::Word && t[1].value == "cancel") {
            ok = true;
        } else {
            ok = t.size() == 3 && t[1].kind == Token::Text && ParseInt(t[2], step.number);
            if (ok)
                step.text = t[1].value;
        }
    } else if (verb == "menu") {
        step.verb = Verb::Menu;
        ok = t.size() == 2 && numberOrText(1);
    } else if (verb == "close") {
        step.verb = Verb::Close;
        ok = t.size() == 1;
    } else if (verb == "type") {
        step.verb = Verb::Type;
        ok = t.size() == 2 && t[1].kind == Token::Text;
        if (ok)
            step.text = t[1].value;
    } else {
        error = CString("unknown action \"") + verb.c_str() + "\"";
        return false;
    }
    if (!ok)
        error = CString("cannot read the \"") + verb.c_str() + "\" line";
    return ok;
}

ScriptedUser::ScriptedUser() {
    m_previousView = SetDialogView(this);
    m_previousPresenter =
        SetMessageBoxPresenter([this](const MessageBoxRequest& r) { return ShowMessageBox(r); });
}

ScriptedUser::~ScriptedUser() {
    SetMessageBoxPresenter(std::move(m_previousPresenter));
    SetDialogView(m_previousView);
}

bool ScriptedUser::Load(const CString& script) {
    std::istringstream in(script.str());
    std::string line;
    std::deque<Step> steps;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (number == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
            line.erase(0, 3);
        std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#')
            continue;
        Step step;
        CString error;
        if (!ParseScriptLine(CString(line), step, error)) {
            CString message;
            message.Format("script line %d: %s", number, error);
            Fail(message);
            return false;
        }
        step.line = number;
        steps.push_back(std::move(step));
    }
    for (auto& step : steps)
        m_steps.push_back(std::move(step));
    return true;
}

namespace {

// A script is a transcript a person or a program writes: far below this. A file that never ends
// (/dev/zero, a program that writes for ever) is refused at this size instead of filling memory.
constexpr std::size_t kMaxScriptBytes = 8u << 20;
// How long the whole script may take to arrive: a FIFO that nobody writes, or a writer that
// stops without closing it, ends the wait after this.
constexpr int kScriptWaitSeconds = 10;

// Reads the whole script into text; false with the reason in error. The file is opened without
// blocking (opening a FIFO for reading would otherwise wait for a writer without end), and each
// read waits first for text or the end of the file, within the deadline: a FIFO nobody has written
// yet reads as ended at once, but reports nothing to the wait until a writer comes and goes.
bool ReadScriptFile(const CString& path, std::string& text, CString& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = CString("cannot read the script ") + path + ": " + std::strerror(errno);
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kScriptWaitSeconds);
    char buffer[65536];
    bool ok = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd pfd{fd, POLLIN, 0};
        const int ready = left.count() > 0 ? ::poll(&pfd, 1, static_cast<int>(left.count())) : 0;
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0) {
            error.Format("the script %s did not end within %d seconds", path.c_str(), kScriptWaitSeconds);
            break;
        }
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) {
            ok = true;
            break;
        }
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
                continue;
            error = CString("cannot read the script ") + path + ": " + std::strerror(errno);
            break;
        }
        if (text.size() + static_cast<std::size_t>(n) > kMaxScriptBytes) {
            error.Format("the script %s is larger than %zu MiB", path.c_str(), kMaxScriptBytes >> 20);
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return ok;
}

} // namespace

bool ScriptedUser::LoadFile(const CString& path) {
    std::string text;
    CString error;
    if (!ReadScriptFile(path, text, error)) {
        Fail(error);
        return false;
    }
    return Load(CString(std::move(text)));
}

ScriptedUser& ScriptedUser::Add(Step step) {
    m_steps.push_back(std::move(step));
    return *this;
}

ScriptedUser& ScriptedUser::Dialog(const CString& caption) {
    Step s;
    s.verb = Verb::Dialog;
    s.target = caption;
    return Add(std::move(s));
}

ScriptedUser& ScriptedUser::DialogContaining(const CString& captionPart) {
    Step s;
    s.verb = Verb::Dialog;
    s.target = captionPart;
    s.partial = true;
    return Add(std::move(s));
}

ScriptedUser& ScriptedUser::Window(const CString& caption) {
    Step s;
    s.verb = Verb::Window;
    s.target = caption;
    return Add(std::move(s));
}

ScriptedUser& ScriptedUser::WindowContaining(const CString& captionPart) {
    Step s;
    s.verb = Verb::Window;
    s.target = captionPart;
    s.partial = true;
    return Add(std::move(s));
}

namespace {

// A step on the control with this id; with a number (state, column) or a text.
ScriptedUser::Step IdStep(ScriptedUser::Verb verb, int id) {
    ScriptedUser::Step s;
    s.verb = verb;
    s.id = id;
    return s;
}

ScriptedUser::Step IdStep(ScriptedUser::Verb verb, int id, int number) {
    ScriptedUser::Step s = IdStep(verb, id);
    s.number = number;
    return s;
}

ScriptedUser::Step IdStep(ScriptedUser::Verb verb, int id, const CString& text) {
    ScriptedUser::Step s = IdStep(verb, id);
    s.text = text;
    return s;
}

// ... a row or entry of the control given by its number.
ScriptedUser::Step IdRowStep(ScriptedUser::Verb verb, int id, int row) {
    ScriptedUser::Step s = IdStep(verb, id, row);
    s.hasNumber = true;
    return s;
}

// A step on the control named by a caption; with a number (state) or a text.
ScriptedUser::Step CaptionStep(ScriptedUser::Verb verb, const CString& caption) {
    ScriptedUser::Step s;
    s.verb = verb;
    s.byText = true;
    s.target = caption;
    return s;
}

ScriptedUser::Step CaptionStep(ScriptedUser::Verb verb, const CString& caption, int number) {
    ScriptedUser::Step s = CaptionStep(verb, caption);
    s.number = number;
    return s;
}

ScriptedUser::Step CaptionStep(ScriptedUser::Verb verb, const CString& caption, const CString& text) {
    ScriptedUser::Step s = CaptionStep(verb, caption);
    s.text = text;
    return s;
}

// ... a row, entry or column of the control given by its number.
ScriptedUser::Step CaptionRowStep(ScriptedUser::Verb verb, const CString& caption, int row) {
    ScriptedUser::Step s = CaptionStep(verb, caption, row);
    s.hasNumber = true;
    return s;
}

} // namespace

ScriptedUser& ScriptedUser::Set(int id, const CString& text) {
    return Add(IdStep(Verb::Set, id, text));
}

ScriptedUser& ScriptedUser::Set(const CString& labelCaption, const CString& text) {
    return Add(CaptionStep(Verb::Set, labelCaption, text));
}

ScriptedUser& ScriptedUser::Click(int id) {
    return Add(IdStep(Verb::Click, id));
}

ScriptedUser& ScriptedUser::Click(const CString& caption) {
    return Add(CaptionStep(Verb::Click, caption));
}

ScriptedUser& ScriptedUser::Check(int id, int state) {
    return Add(IdStep(Verb::Check, id, state));
}

ScriptedUser& ScriptedUser::Check(const CString& caption, int state) {
    return Add(CaptionStep(Verb::Check, caption, state));
}

ScriptedUser& ScriptedUser::Select(int id, int index) {
    return Add(IdRowStep(Verb::Select, id, index));
}

ScriptedUser& ScriptedUser::Select(int id, const CString& text) {
    return Add(IdStep(Verb::Select, id, text));
}

ScriptedUser& ScriptedUser::Select(const CString& caption, int index) {
    return Add(CaptionRowStep(Verb::Select, caption, index));
}

ScriptedUser& ScriptedUser::Select(const CString& caption, const CString& text) {
    return Add(CaptionStep(Verb::Select, caption, text));
}

ScriptedUser& ScriptedUser::DoubleClick(int id, int row) {
    return Add(IdRowStep(Verb::DoubleClick, id, row));
}

ScriptedUser& ScriptedUser::DoubleClick(int id, const CString& rowTextOrPath) {
    return Add(IdStep(Verb::DoubleClick, id, rowTextOrPath));
}

ScriptedUser& ScriptedUser::DoubleClick(const CString& caption, int row) {
    return Add(CaptionRowStep(Verb::DoubleClick, caption, row));
}

ScriptedUser& ScriptedUser::DoubleClick(const CString& caption, const CString& rowTextOrPath) {
    return Add(CaptionStep(Verb::DoubleClick, caption, rowTextOrPath));
}

ScriptedUser& ScriptedUser::RightClick(int id, int row) {
    return Add(IdRowStep(Verb::RightClick, id, row));
}

ScriptedUser& ScriptedUser::RightClick(int id, const CString& rowTextOrPath) {
    return Add(IdStep(Verb::RightClick, id, rowTextOrPath));
}

ScriptedUser& ScriptedUser::RightClick(const CString& caption, int row) {
    return Add(CaptionRowStep(Verb::RightClick, caption, row));
}

ScriptedUser& ScriptedUser::RightClick(const CString& caption, const CString& rowTextOrPath) {
    return Add(CaptionStep(Verb::RightClick, caption, rowTextOrPath));
}

ScriptedUser& ScriptedUser::Column(int id, int column) {
    return Add(IdStep(Verb::Column, id, column));
}

ScriptedUser& ScriptedUser::Column(const CString& caption, int column) {
    return Add(CaptionRowStep(Verb::Column, caption, column));
}

ScriptedUser& ScriptedUser::Tree(int id, const CString& path) {
    return Add(IdStep(Verb::Tree, id, path));
}

ScriptedUser& ScriptedUser::Tree(const CString& caption, const CString& path) {
    return Add(CaptionStep(Verb::Tree, caption, path));
}

ScriptedUser& ScriptedUser::Expand(int id, const CString& path) {
    return Add(IdStep(Verb::Expand, id, path));
}

ScriptedUser& ScriptedUser::Expand(const CString& caption, const CString& path) {
    return Add(CaptionStep(Verb::Expand, caption, path));
}

ScriptedUser& ScriptedUser::Menu(const CString& entryText) {
    Step s;
    s.verb = Verb::Menu;
    s.text = entryText;
    return Add(std::move(s));
}

ScriptedUser& ScriptedUser::Message(const CString& text, int answer) {
    Step s;
    s.verb = Verb::Message;
    s.text = text;
    s.number = answer;
    return Add(std::move(s));
}

ScriptedUser& ScriptedUser::MessageContaining(const CString& textPart, int answer) {
    Step s;
    s.verb = Verb::Message;
    s.text = textPart;
    s.partial = true;
    s.number = answer;
    return Add(std::move(s));
}

ScriptedUser& ScriptedUser::AnyMessage(int answer) {
    Step s;
    s.verb = Verb::Message;
    s.any = true;
    s.number = answer;
    return Add(std::move(s));
}

ScriptedUser& ScriptedUser::File(const CString& path, int filterIndex) {
    return Files(path.IsEmpty() ? std::vector<CString>() : std::vector<CString>{path}, filterIndex);
}

ScriptedUser& ScriptedUser::Files(const std::vector<CString>& paths, int filterIndex) {
    Step s;
    s.verb = Verb::File;
    s.paths = paths;
    s.number = filterIndex;
    return Add(std::move(s));
}

ScriptedUser& ScriptedUser::Color(long long color) {
    Step s;
    s.verb = Verb::Color;
    s.color = color;
    return Add(std::move(s));
}

ScriptedUser& ScriptedUser::Font(const CString& faceName, int pointSize) {
    Step s;
    s.verb = Verb::Font;
    s.text = faceName;
    s.number = pointSize;
    return Add(std::move(s));
}

ScriptedUser& ScriptedUser::Menu(UINT command) {
    Step s;
    s.verb = Verb::Menu;
    s.number = static_cast<int>(command);
    s.hasNumber = true;
    return Add(std::move(s));
}

ScriptedUser& ScriptedUser::Close() {
    Step s;
    s.verb = Verb::Close;
    return Add(std::move(s));
}

ScriptedUser& ScriptedUser::Type(const CString& text) {
    Step s;
    s.verb = Verb::Type;
    s.text = text;
    return Add(std::move(s));
}

ScriptedUser& ScriptedUser::Do(std::function<void(CDialog&)> action) {
    Step s;
    s.verb = Verb::Do;
    s.action = std::move(action);
    return Add(std::move(s));
}

void ScriptedUser::Record(const CString& line) {
    m_log.push_back(line);
    if (m_sink)
        m_sink(line);
}

void ScriptedUser::Fail(const CString& message, const Step* step) {
    if (Failed())
        return; // the first failure is the one that matters
    CString text = message;
    if (step) {
        CString where;
        if (step->line > 0)
            where.Format(" (script line %d: %s)", step->line, Describe(*step));
        else
            where.Format(" (action: %s)", Describe(*step));
        text += where;
    }
    m_error = text;
    Record(CString("error: ") + text);
}

bool ScriptedUser::Stopped() {
    // The host was asked to end (a signal): nothing more is done as the script says; everything
    // unwinds as after a failure, giving back what it holds.
    if (m_stopAtEndRequest && !Failed() && vq::EndRequested()) {
        vq::BeginGivingBack();
        Fail("the program was asked to end");
    }
    return Failed();
}

CString ScriptedUser::Describe(const Step& step) const {
    static const char* const names[] = {
        "dialog",  "set",  "click", "check", "select", "dblclick", "rclick", "column", "tree", "expand",
        "message", "file", "color", "font",  "menu",   "close",    "do",     "window", "type"};
    CString text = names[static_cast<int>(step.verb)];
    switch (step.verb) {
    case Verb::Dialog:
    case Verb::Window:
        return text + " " + (step.partial ? "~" : "") + Quote(step.target);
    case Verb::Type:
        return text + " " + Quote(step.text);
    case Verb::Message:
        return text + " " + (step.any ? CString("*") : CString(step.partial ? "~" : "") + Quote(step.text));
    case Verb::File:
        return text + " " + Quote(step.paths.empty() ? CString() : step.paths.front());
    case Verb::Menu: {
        if (!step.hasNumber)
            return text + " " + Quote(step.text);
        CString n;
        n.Format(" %d", step.number);
        return text + n;
    }
    case Verb::Close:
    case Verb::Do:
    case Verb::Color:
    case Verb::Font:
        return text;
    default: {
        CString target;
        if (step.byText)
            target = step.target == "*" ? CString("*") : Quote(step.target);
        else
            target.Format("%d", step.id);
        return text + " " + target;
    }
    }
}

INT_PTR ScriptedUser::RunModal(CDialog& dialog) {
    const CString caption = dialog.GetWindowTextValue();
    Record("dialog " + Quote(caption));
    if (m_dialogSink)
        m_dialogSink(dialog);
    ++m_depth;
    const std::uint64_t serial = dialog.GetSerial();
    auto open = [&] { return ::IsWindow(&dialog) && dialog.GetSerial() == serial && !dialog.HasEnded(); };
    DispatchPostedMessages();
    while (open()) {
        if (Stopped()) {
            // After a failure every dialog closes as with Cancel (without its own handlers) so
            // that the code under test unwinds.
            dialog.EndDialog(IDCANCEL);
            break;
        }
        if (m_steps.empty()) {
            Fail("the actions ran out while the dialog " + Quote(dialog.GetWindowTextValue()) + " is open");
            continue;
        }
        Step step = m_steps.front();
        switch (step.verb) {
        case Verb::Message:
        case Verb::File:
        case Verb::Color:
        case Verb::Font:
        case Verb::Menu:
        case Verb::Window:
            Fail("the dialog " + Quote(dialog.GetWindowTextValue()) +
                     " is open, but the next action answers something else",
                 &step);
            continue;
        default:
            break;
        }
        m_steps.pop_front();
        if (!Perform(dialog, step))
            continue;
        DispatchPostedMessages();
    }
    --m_depth;
    return dialog.GetModalResult();
}

CDialog* ScriptedUser::FindModelessWindow(const Step& step) const {
    for (CWnd* window : TopLevelWindows()) {
        auto* dialog = dynamic_cast<CDialog*>(window);
        if (!dialog || dialog->IsModal() || !dialog->IsWindowVisible())
            continue;
        const CString caption = dialog->GetWindowTextValue();
        if (step.partial ? caption.Find(step.target) >= 0 : caption == step.target)
            return dialog;
    }
    return nullptr;
}

bool ScriptedUser::RunModeless() {
    DispatchPostedMessages();
    while (!Stopped() && !m_steps.empty()) {
        const Step step = m_steps.front();
        if (step.verb != Verb::Window) {
            Fail("no modeless window is named before the action", &step);
            break;
        }
        m_steps.pop_front();
        CDialog* window = FindModelessWindow(step);
        if (!window) {
            Fail("no such modeless window is open", &step);
            break;
        }
        WorkModelessWindow(*window);
    }
    return !Failed();
}

void ScriptedUser::WorkModelessWindow(CDialog& window) {
    Record("window " + Quote(window.GetWindowTextValue()));
    const std::uint64_t serial = window.GetSerial();
    // The window may close (and delete itself) on any action.
    auto open = [&] { return ::IsWindow(&window) && window.GetSerial() == serial && window.IsWindowVisible(); };
    while (open() && !Stopped() && !m_steps.empty() && m_steps.front().verb != Verb::Window) {
        const Step step = m_steps.front();
        switch (step.verb) {
        case Verb::Dialog:
        case Verb::Message:
        case Verb::File:
        case Verb::Color:
        case Verb::Font:
        case Verb::Menu:
            Fail("the window " + Quote(window.GetWindowTextValue()) +
                     " is open, but the next action answers something else",
                 &step);
            continue;
        default:
            break;
        }
        m_steps.pop_front();
        if (Perform(window, step))
            DispatchPostedMessages();
    }
}

void ScriptedUser::TypeIntoFocus(CDialog& dialog, const CString& text) {
    CWnd* focus = CWnd::GetFocus();
    bool inDialog = false;
    for (CWnd* w = focus; w && !inDialog; w = w->GetParent())
        inDialog = w == &dialog;
    if (!inDialog || !focus->IsWindowEnabled()) {
        Record("typed " + Quote(text) + " into nothing");
        return;
    }
    CString where = NameOf(*focus);
    if (auto* edit = dynamic_cast<CEdit*>(focus); edit && edit->IsReadOnly())
        where = "read-only " + where;
    Record("typed " + Quote(text) + " into " + where);
    if (auto* edit = dynamic_cast<CEdit*>(focus)) {
        edit->UserSetText(edit->GetWindowTextValue() + text);
    } else if (auto* rich = dynamic_cast<CRichEditCtrl*>(focus)) {
        rich->UserSetText(rich->GetWindowTextValue() + text);
    } else if (auto* combo = dynamic_cast<CComboBox*>(focus)) {
        if (combo->HasEditField()) {
            combo->UserSetText(combo->GetWindowTextValue() + text);
            return;
        }
        // The keys choose the next entry that begins with what was typed, else with its first
        // character, from the one after the current entry round to it.
        const int count = combo->GetCount();
        const std::string& all = text.str();
        std::size_t first = 1;
        while (first < all.size() && (static_cast<unsigned char>(all[first]) & 0xC0) == 0x80)
            ++first;
        for (const CString& prefix : {text, CString(all.substr(0, first))}) {
            for (int n = 1; n <= count && !prefix.IsEmpty(); ++n) {
                const int i = (combo->GetCurSel() + n + count) % count;
                if (combo->GetLBText(i).Left(prefix.GetLength()) == prefix) {
                    if (i != combo->GetCurSel())
                        combo->UserSelect(i);
                    return;
                }
            }
        }
    }
}

bool ScriptedUser::Perform(CDialog& dialog, const Step& step) {
    const CString caption = dialog.GetWindowTextValue();
    if (step.verb == Verb::Dialog) {
        const bool matches = step.partial ? caption.Find(step.target) >= 0 : caption == step.target;
        if (!matches)
            Fail("the dialog open is " + Quote(caption), &step);
        return matches;
    }
    if (step.verb == Verb::Close) {
        dialog.SendMessage(WM_CLOSE);
        return true;
    }
    if (step.verb == Verb::Do) {
        if (step.action)
            step.action(dialog);
        return true;
    }
    if (step.verb == Verb::Type) {
        TypeIntoFocus(dialog, step.text);
        return true;
    }
    CWnd* control = step.byText ? FindTarget(dialog, step) : FindById(dialog, step.id);
    if (Failed())
        return false;
    if (!control) {
        // OK and Cancel work as Enter and Escape do, even without such buttons.
        if (step.verb == Verb::Click && !step.byText && (step.id == IDOK || step.id == IDCANCEL)) {
            dialog.SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(step.id), BN_CLICKED), 0);
            return true;
        }
        Fail("no such control in the dialog " + Quote(caption), &step);
        return false;
    }
    if (!control->IsWindowVisible()) {
        Fail("the control is hidden in the dialog " + Quote(caption), &step);
        return false;
    }
    if (!control->IsWindowEnabled()) {
        Fail("the control is disabled in the dialog " + Quote(caption), &step);
        return false;
    }
    auto refuse = [&](const CString& why) {
        Fail(why + " in the dialog " + Quote(caption), &step);
        return false;
    };
    switch (step.verb) {
    case Verb::Set: {
        control->SetFocus();
        if (auto* edit = dynamic_cast<CEdit*>(control))
            return edit->UserSetText(step.text) ? true : refuse("the field refuses the text");
        if (auto* combo = dynamic_cast<CComboBox*>(control))
            return combo->UserSetText(step.text) ? true : refuse("the combo box has no field to type into");
        if (auto* picker = dynamic_cast<CDateTimeCtrl*>(control)) {
            SYSTEMTIME t;
            if (!ParseDate(step.text, t))
                return refuse("the text is not a date (yyyy-MM-dd)");
            return picker->UserSetTime(&t) ? true : refuse("the date picker refuses the date");
        }
        if (auto* rich = dynamic_cast<CRichEditCtrl*>(control))
            return rich->UserSetText(step.text) ? true : refuse("the field refuses the text");
        return refuse("the control takes no typing");
    }
    case Verb::Click: {
        if (auto* button = dynamic_cast<CButton*>(control)) {
            if (button->GetControlKind() == ControlKind::GroupBox)
                return refuse("a group frame cannot be clicked");
            control->SetFocus();
            button->Click();
            return true;
        }
        if (auto* label = dynamic_cast<CStatic*>(control)) {
            label->Click();
            return true;
        }
        return refuse("the control is not a button");
    }
    case Verb::Check: {
        auto* button = dynamic_cast<CButton*>(control);
        if (!button)
            return refuse("the control is not a check box or radio button");
        if (button->GetControlKind() == ControlKind::RadioButton) {
            if (step.number != 1)
                return refuse("a radio button can only be checked");
            button->Click();
            return true;
        }
        if (button->GetControlKind() != ControlKind::CheckBox)
            return refuse("the control is not a check box");
        for (int i = 0; i < 3 && ::IsWindow(button) && button->GetCheck() != step.number; ++i)
            button->Click();
        if (::IsWindow(button) && button->GetCheck() != step.number)
            return refuse("the check box does not take that state");
        return true;
    }
    case Verb::Select:
    case Verb::DoubleClick:
    case Verb::RightClick: {
        if (auto* tree = dynamic_cast<CTreeCtrl*>(control)) {
            if (step.verb == Verb::Select)
                return refuse("trees take \"tree\" actions");
            HTREEITEM item = tree->FindPath(step.text);
            if (!item)
                return refuse("no tree item at " + Quote(step.text));
            return step.verb == Verb::DoubleClick ? tree->UserDoubleClick(item) : tree->UserRightClick(item);
        }
        auto indexOf = [&](int count, const std::function<CString(int)>& textAt) {
            if (step.hasNumber)
                return step.number >= 0 && step.number < count ? step.number : -2;
            for (int i = 0; i < count; ++i)
                if (textAt(i) == step.text)
                    return i;
            return -2;
        };
        if (auto* list = dynamic_cast<CListCtrl*>(control)) {
            const int row = indexOf(list->GetItemCount(), [list](int i) { return list->GetItemText(i, 0); });
            if (row < 0)
                return refuse("no such row");
            control->SetFocus();
            if (step.verb == Verb::Select)
                return list->UserSelect(row);
            return step.verb == Verb::DoubleClick ? list->UserDoubleClick(row) : list->UserRightClick(row);
        }
        if (auto* box = dynamic_cast<CListBox*>(control)) {
            const int row = indexOf(box->GetCount(), [box](int i) { return box->GetText(i); });
            if (row < 0)
                return refuse("no such entry");
            control->SetFocus();
            if (step.verb == Verb::RightClick)
                return refuse("list boxes take no right click");
            return step.verb == Verb::Select ? box->UserSelect(row) : box->UserDoubleClick(row);
        }
        if (step.verb != Verb::Select)
            return refuse("the control is not a list");
        if (auto* combo = dynamic_cast<CComboBox*>(control)) {
            const int row = indexOf(combo->GetCount(), [combo](int i) { return combo->GetLBText(i); });
            if (row < 0)
                return refuse("no such entry");
            control->SetFocus();
            return combo->UserSelect(row);
        }
        if (auto* tab = dynamic_cast<CTabCtrl*>(control)) {
            const int row = indexOf(tab->GetItemCount(), [tab](int i) { return tab->GetItemText(i); });
            if (row < 0)
                return refuse("no such tab");
            return tab->UserSelect(row);
        }
        return refuse("the control has no entries to choose");
    }
    case Verb::Column: {
        auto* list = dynamic_cast<CListCtrl*>(control);
        if (!list)
            return refuse("the control is not a report list");
        return list->UserColumnClick(step.number) ? true : refuse("no such column");
    }
    case Verb::Tree:
    case Verb::Expand: {
        auto* tree = dynamic_cast<CTreeCtrl*>(control);
        if (!tree)
            return refuse("the control is not a tree");
        // Walk the path as a person does: open each item on the way (its children may be
        // filled in only then).
        const std::uint64_t serial = tree->GetSerial();
        CString sofar;
        HTREEITEM item = nullptr;
        const std::string& path = step.text.str();
        std::size_t begin = 0;
        while (true) {
            std::size_t end = path.find('/', begin);
            const bool last = end == std::string::npos;
            if (last)
                end = path.size();
            sofar = sofar.IsEmpty() ? CString(path.substr(begin, end - begin))
                                    : sofar + "/" + path.substr(begin, end - begin).c_str();
            item = tree->FindPath(sofar);
            if (!item)
                return refuse("no tree item at " + Quote(sofar));
            if (last)
                break;
            if (!(tree->GetItemState(item, TVIS_EXPANDED) & TVIS_EXPANDED))
                tree->UserExpand(item, true);
            if (!::IsWindow(tree) || tree->GetSerial() != serial)
                return refuse("the tree went away");
            begin = end + 1;
        }
        control->SetFocus();
        if (step.verb == Verb::Tree)
            return tree->UserSelect(item);
        return tree->UserExpand(item, true);
    }
    default:
        return refuse("the action does not apply here");
    }
}

CWnd* ScriptedUser::FindTarget(CDialog& dialog, const Step& step) {
    const CString caption = dialog.GetWindowTextValue();
    std::vector<CWnd*> candidates;
    auto add = [&candidates](CWnd* w) {
        if (w && std::find(candidates.begin(), candidates.end(), w) == candidates.end())
            candidates.push_back(w);
    };
    if (step.target == "*") {
        // The dialog's only tree or report list: a tree for tree actions, a list for column
        // clicks and rows given by number, either for a row or item given by text.
        const bool trees = step.verb != Verb::Column && !step.hasNumber;
        const bool lists = step.verb != Verb::Tree && step.verb != Verb::Expand;
        std::vector<CWnd*> all;
        Collect(dialog, all);
        for (CWnd* w : all)
            if ((trees && w->GetControlKind() == ControlKind::TreeCtrl) ||
                (lists && w->GetControlKind() == ControlKind::ListCtrl))
                add(w);
    } else {
        for (CWnd* match : FindByCaption(dialog, step.target)) {
            const ControlKind kind = match->GetControlKind();
            if (step.verb == Verb::Click)
                add(match);
            else if (kind == ControlKind::Static || kind == ControlKind::GroupBox)
                add(FieldAfter(*match));
            else if (step.verb == Verb::Set && kind == ControlKind::PushButton)
                add(FieldOfButton(*match));
            else
                add(match);
        }
    }
    if (candidates.size() > 1) {
        // Of several, the one a person can see.
        std::vector<CWnd*> visible;
        for (CWnd* w : candidates)
            if (w->IsWindowVisible())
                visible.push_back(w);
        if (visible.size() == 1)
            return visible.front();
        CString names;
        for (CWnd* w : visible.empty() ? candidates : visible)
            names += (names.IsEmpty() ? "" : ", ") + NameOf(*w);
        Fail((step.target == "*" ? CString("* names more than one control") : Quote(step.target) + " names more than one control") +
                 " in the dialog " + Quote(caption) + ": " + names,
             &step);
        return nullptr;
    }
    return candidates.empty() ? nullptr : candidates.front();
}

void ScriptedUser::ProcessPendingEvents() {
    DispatchPostedMessages();
}

int ScriptedUser::ShowMessageBox(const MessageBoxRequest& request) {
    Record("message " + Quote(request.caption) + ": " + request.text);
    auto fallback = [&request] { return SafeAnswer(request.type); };
    if (Stopped())
        return fallback();
    if (m_steps.empty() || m_steps.front().verb != Verb::Message) {
        Fail("an unexpected message box [" + request.caption + "]: " + request.text,
             m_steps.empty() ? nullptr : &m_steps.front());
        return fallback();
    }
    const Step step = m_steps.front();
    const bool matches =
        step.any || (step.partial ? request.text.Find(step.text) >= 0 : request.text == step.text);
    if (!matches) {
        Fail("the message box [" + request.caption + "] says: " + request.text, &step);
        return fallback();
    }
    if (!HasButton(request.type, step.number)) {
        Fail("the message box [" + request.caption + "] has no such button: " + request.text, &step);
        return fallback();
    }
    m_steps.pop_front();
    return step.number;
}

bool ScriptedUser::RunFileDialog(FileDialogRequest& request) {
    Record(CString("file dialog ") +
           Quote(request.title.IsEmpty() ? CString(request.open ? "打开" : "另存为") : request.title));
    m_fileDialogFolder = request.initialDir;
    m_fileDialogFilterIndex = request.filterIndex;
    if (Stopped())
        return false;
    if (m_steps.empty() || m_steps.front().verb != Verb::File) {
        Fail("an unexpected file dialog", m_steps.empty() ? nullptr : &m_steps.front());
        return false;
    }
    const Step step = m_steps.front();
    m_steps.pop_front();
    if (step.paths.empty())
        return false;
    if (step.paths.size() > 1 && !request.multiSelect) {
        Fail("the file dialog takes one file", &step);
        return false;
    }
    if (step.number < 1 ||
        (!request.filters.empty() && step.number > static_cast<int>(request.filters.size()))) {
        Fail("the file dialog has no such filter", &step);
        return false;
    }
    request.paths = step.paths;
    request.chosenFilterIndex = step.number;
    return true;
}

bool ScriptedUser::RunColorDialog(ColorDialogRequest& request) {
    if (Stopped())
        return false;
    if (m_steps.empty() || m_steps.front().verb != Verb::Color) {
        Fail("an unexpected colour dialog", m_steps.empty() ? nullptr : &m_steps.front());
        return false;
    }
    const Step step = m_steps.front();
    m_steps.pop_front();
    if (step.color < 0)
        return false;
    request.color = static_cast<COLORREF>(step.color);
    return true;
}

bool ScriptedUser::RunFontDialog(FontDialogRequest& request) {
    if (Stopped())
        return false;
    if (m_steps.empty() || m_steps.front().verb != Verb::Font) {
        Fail("an unexpected font dialog", m_steps.empty() ? nullptr : &m_steps.front());
        return false;
    }
    const Step step = m_steps.front();
    m_steps.pop_front();
    if (step.text.IsEmpty())
        return false;
    request.faceName = step.text;
    request.pointSize = step.number * 10;
    request.height = -(step.number * 96 / 72);
    return true;
}

UINT ScriptedUser::MenuCommandOfText(const CMenu& menu, const Step& step) {
    // The command entries of the menu and its sub-menus whose text (with or without its '&', and
    // without the shortcut after a tab) is the wanted one.
    std::vector<const CMenu::Item*> found;
    CString entries;
    std::function<void(const CMenu&)> walk = [&](const CMenu& m) {
        for (const auto& item : m.Items()) {
            if (item.flags & MF_SEPARATOR)
                continue;
            if (item.subMenu) {
                walk(*item.subMenu);
                continue;
            }
            CString text = item.text;
            const int tab = text.Find('\t');
            if (tab >= 0)
                text = text.Left(tab);
            entries += (entries.IsEmpty() ? "" : ", ") + Quote(text);
            if (text == step.text || Readable(text) == step.text)
                found.push_back(&item);
        }
    };
    walk(menu);
    if (found.empty()) {
        Fail("the popup menu has no entry " + Quote(step.text) + " (" + entries + ")", &step);
        return 0;
    }
    if (found.size() > 1) {
        CString ids;
        for (const auto* item : found) {
            CString id;
            id.Format("%s%u", ids.IsEmpty() ? "" : ", ", item->id);
            ids += id;
        }
        Fail("the popup menu has more than one entry " + Quote(step.text) + " (commands " + ids + ")", &step);
        return 0;
    }
    if (found.front()->flags & (MF_GRAYED | MF_DISABLED)) {
        Fail("the popup menu entry " + Quote(step.text) + " is disabled", &step);
        return 0;
    }
    return found.front()->id;
}

UINT ScriptedUser::TrackPopupMenu(const CMenu& menu, CPoint, CWnd*) {
    if (Stopped())
        return 0;
    if (m_steps.empty() || m_steps.front().verb != Verb::Menu) {
        CString items;
        for (const auto& item : menu.Items())
            if (!(item.flags & MF_SEPARATOR))
                items += (items.IsEmpty() ? "" : ", ") + item.text;
        Fail("an unexpected popup menu (" + items + ")", m_steps.empty() ? nullptr : &m_steps.front());
        return 0;
    }
    const Step step = m_steps.front();
    m_steps.pop_front();
    if (!step.hasNumber)
        return MenuCommandOfText(menu, step);
    if (step.number != 0 && !menu.IsEnabledCommand(static_cast<UINT>(step.number))) {
        Fail("the popup menu has no enabled command with that id", &step);
        return 0;
    }
    return static_cast<UINT>(step.number);
}

} // namespace vq
