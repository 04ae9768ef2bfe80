// The scripted user: works the dialogs from a transcript of actions instead of a person. Tests
// build the transcript in C++; `vqhost --headless --script FILE` reads the same actions from a
// text file (see the README, section "Scripts"). While it lives it is the view in use and
// answers every message box.
//
//   vq::ScriptedUser user;
//   user.Dialog("选择负责人").Set(1147, "张三").Click(IDOK).Message("已保存", IDOK);
//   EXPECT_EQ(dlg.DoModal(), IDOK);
//   EXPECT_TRUE(user.Succeeded()) << user.Error();
//
// Every action on a control names it by its id or by a caption: the caption of a button, check
// box or radio button, or of the label (or group frame) before the control; "*" names the
// dialog's only tree or report list. Set with a button's caption types into the field the button
// belongs to. A caption that names more than one control is an error that lists them.
#pragma once

#include "platform/base/String.h"
#include "platform/ui/View.h"

#include <deque>
#include <functional>
#include <vector>

class CDialog;
class CWnd;

namespace vq {

class ScriptedUser : public DialogView {
public:
    // Installs itself as the view in use and as the message-box presenter.
    ScriptedUser();
    // Puts back the view and presenter it replaced.
    ~ScriptedUser() override;
    ScriptedUser(const ScriptedUser&) = delete;
    ScriptedUser& operator=(const ScriptedUser&) = delete;

    // Adds the actions of a script text; false (and nothing added) on a line it cannot read,
    // with Error() naming the line.
    bool Load(const CString& script);
    bool LoadFile(const CString& path);

    // --- Actions, in the order they happen
    // The current modal dialog has this caption (or one containing the part).
    ScriptedUser& Dialog(const CString& caption);
    ScriptedUser& DialogContaining(const CString& captionPart);
    // Types into an edit field, an editable combo box, a date picker ("yyyy-MM-dd[ HH:mm[:ss]]")
    // or a rich edit; by id, or by the caption of the label before the field.
    ScriptedUser& Set(int id, const CString& text);
    ScriptedUser& Set(const CString& labelCaption, const CString& text);
    // Presses a button (by id or caption); 1 and 2 press OK and Cancel even without such buttons.
    ScriptedUser& Click(int id);
    ScriptedUser& Click(const CString& caption);
    // Sets a check box (0, 1, 2) or checks a radio button (1).
    ScriptedUser& Check(int id, int state);
    ScriptedUser& Check(const CString& caption, int state);
    // Chooses an entry (from 0) of a combo box, list box, report list or tab control, or the
    // entry whose (first column) text is exactly the given one.
    ScriptedUser& Select(int id, int index);
    ScriptedUser& Select(int id, const CString& text);
    ScriptedUser& Select(const CString& caption, int index);
    ScriptedUser& Select(const CString& caption, const CString& text);
    // Double-clicks / right-clicks a row of a list, or (by path) a tree item.
    ScriptedUser& DoubleClick(int id, int row);
    ScriptedUser& DoubleClick(int id, const CString& rowTextOrPath);
    ScriptedUser& DoubleClick(const CString& caption, int row);
    ScriptedUser& DoubleClick(const CString& caption, const CString& rowTextOrPath);
    ScriptedUser& RightClick(int id, int row);
    ScriptedUser& RightClick(int id, const CString& rowTextOrPath);
    ScriptedUser& RightClick(const CString& caption, int row);
    ScriptedUser& RightClick(const CString& caption, const CString& rowTextOrPath);
    // Clicks a column header of a report list.
    ScriptedUser& Column(int id, int column);
    ScriptedUser& Column(const CString& caption, int column);
    // Selects the tree item at a path of whole item texts ("A/B/C"), expanding on the way.
    ScriptedUser& Tree(int id, const CString& path);
    ScriptedUser& Tree(const CString& caption, const CString& path);
    // Expands the tree item at the path.
    ScriptedUser& Expand(int id, const CString& path);
    ScriptedUser& Expand(const CString& caption, const CString& path);
    // Answers the next message box: its whole text / a text containing the part / any text.
    ScriptedUser& Message(const CString& text, int answer);
    ScriptedUser& MessageContaining(const CString& textPart, int answer);
    ScriptedUser& AnyMessage(int answer);
    // Answers the next file dialog with a path (empty: cancel) and filter index (from 1).
    ScriptedUser& File(const CString& path, int filterIndex = 1);
    ScriptedUser& Files(const std::vector<CString>& paths, int filterIndex = 1);
    // Answers the next colour dialog (a negative value: cancel).
    ScriptedUser& Color(long long color);
    // Answers the next font dialog with a face and a size in points (empty face: cancel).
    ScriptedUser& Font(const CString& faceName, int pointSize);
    // Answers the next popup menu with a command (0: none chosen), or with the entry of this text
    // (with or without its '&'; also in a sub-menu).
    ScriptedUser& Menu(UINT command);
    ScriptedUser& Menu(const CString& entryText);
    // Presses the close box of the current dialog.
    ScriptedUser& Close();
    // Types at once into whatever has the keyboard focus in the current dialog, as a person who
    // starts typing without choosing a field: a field (or the field of a combo box) gets the text
    // after its own; a drop-down list moves to the first entry that begins with it (or with its
    // first character), as the keys of a person choose there; anywhere else the text is lost.
    // The log says where it went: `typed "text" into field 1002`.
    ScriptedUser& Type(const CString& text);
    // Works a modeless window (one that stays open after the call that made it): the actions
    // after this one act on the open modeless window of this caption (or one containing the part;
    // the oldest when several match) until it closes or the next Window action. RunModeless
    // performs them.
    ScriptedUser& Window(const CString& caption);
    ScriptedUser& WindowContaining(const CString& captionPart);
    // Runs code against the current dialog (C++ only: look at controls in the middle of a run).
    ScriptedUser& Do(std::function<void(CDialog&)> action);

    // Performs the actions left, which must begin with a Window action, on the modeless windows
    // open now; false (with Error()) when an action fails or names a window that is not open.
    bool RunModeless();
    // True when the next action left is a Window action.
    bool NextIsWindow() const { return !m_steps.empty() && m_steps.front().verb == Verb::Window; }

    // When the program is asked to end (vq::RequestEnd, from a signal), the run stops as at a
    // failure ("the program was asked to end"): every dialog ends as with Cancel and every
    // question gets its safe answer, so that the code unwinds. The headless host asks for this.
    void StopAtEndRequest() { m_stopAtEndRequest = true; }

    // --- Outcome
    // True while no action failed and no unexpected dialog, box or menu appeared.
    bool Failed() const { return !m_error.IsEmpty(); }
    // True when nothing failed and every action was used.
    bool Succeeded() const { return !Failed() && m_steps.empty(); }
    const CString& Error() const { return m_error; }
    int Remaining() const { return static_cast<int>(m_steps.size()); }
    // What happened: `dialog "caption"` for each dialog opened and `message "caption": text`
    // for each message box, in order.
    const std::vector<CString>& Log() const { return m_log; }
    // The folder the last file dialog was to open in (empty: the view's choice).
    const CString& FileDialogFolder() const { return m_fileDialogFolder; }
    // The file type (filter, from 1) the last file dialog offered first.
    int FileDialogFilterIndex() const { return m_fileDialogFilterIndex; }
    // Also hands every log line to this function as it happens (the host prints them).
    void SetLogSink(std::function<void(const CString&)> sink) { m_sink = std::move(sink); }
    // Also hands every dialog to this function once it has opened, after its `dialog` line (the
    // host prints its report lists).
    void SetDialogSink(std::function<void(CDialog&)> sink) { m_dialogSink = std::move(sink); }

    // --- DialogView
    INT_PTR RunModal(CDialog& dialog) override;
    void EndModal(CDialog& dialog, INT_PTR result) override {}
    void WindowCreated(CWnd& window) override {}
    void WindowDestroyed(CWnd& window) override {}
    void ControlChanged(CWnd& window) override {}
    void Invalidate(CWnd& window) override {}
    void FocusChanged(CWnd& window) override {}
    void MessagePosted() override {}
    void ProcessPendingEvents() override;
    int ShowMessageBox(const MessageBoxRequest& request) override;
    bool RunFileDialog(FileDialogRequest& request) override;
    bool RunColorDialog(ColorDialogRequest& request) override;
    bool RunFontDialog(FontDialogRequest& request) override;
    UINT TrackPopupMenu(const CMenu& menu, CPoint screenPoint, CWnd* owner) override;

    enum class Verb {
        Dialog,
        Set,
        Click,
        Check,
        Select,
        DoubleClick,
        RightClick,
        Column,
        Tree,
        Expand,
        Message,
        File,
        Color,
        Font,
        Menu,
        Close,
        Do,
        Window,
        Type
    };
    struct Step {
        Verb verb = Verb::Click;
        int id = 0;             // control id (when byText is false)
        bool byText = false;    // the target is given by caption / text ("*": the only tree or list)
        CString target;         // caption of the target, or a dialog caption
        CString text;           // text to type, entry text, tree path, message text, file path
        int number = 0;         // state, index, column, answer, filter index, command, size
        bool hasNumber = false; // select/dblclick by number rather than text
        bool partial = false;   // ~"...": contains
        bool any = false;       // message *
        std::vector<CString> paths;
        long long color = 0;
        std::function<void(CDialog&)> action;
        int line = 0; // script line (0: C++)
    };

private:
    ScriptedUser& Add(Step step);
    void Fail(const CString& message, const Step* step = nullptr);
    // Failed(), after failing the run when the program was asked to end (StopAtEndRequest).
    bool Stopped();
    void Record(const CString& line);
    bool Perform(CDialog& dialog, const Step& step);
    CWnd* FindTarget(CDialog& dialog, const Step& step);
    UINT MenuCommandOfText(const CMenu& menu, const Step& step);
    CString Describe(const Step& step) const;
    CDialog* FindModelessWindow(const Step& step) const;
    // Performs the actions up to the next Window action on the modeless window.
    void WorkModelessWindow(CDialog& window);
    void TypeIntoFocus(CDialog& dialog, const CString& text);

    std::deque<Step> m_steps;
    std::vector<CString> m_log;
    CString m_fileDialogFolder;
    int m_fileDialogFilterIndex = 0;
    CString m_error;
    bool m_stopAtEndRequest = false;
    std::function<void(const CString&)> m_sink;
    std::function<void(CDialog&)> m_dialogSink;
    DialogView* m_previousView = nullptr;
    MessageBoxPresenter m_previousPresenter;
    int m_depth = 0;
};

// Reads one line of a script into a step; false with a reason on a line it cannot read.
bool ParseScriptLine(const CString& line, ScriptedUser::Step& step, CString& error);

} // namespace vq
