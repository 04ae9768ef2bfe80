// Message maps: each window class lists the commands, notifications and messages it handles;
// a window looks a message up in its own class's map, then in its base class's map.
//
//   class CPickDlg : public CDialog { ... DECLARE_MESSAGE_MAP() };
//   BEGIN_MESSAGE_MAP(CPickDlg, CDialog)
//       ON_BN_CLICKED(1056, &CPickDlg::OnBrowse)
//       ON_NOTIFY(LVN_ITEMCHANGED, 1059, &CPickDlg::OnItemChangedList)
//       ON_MESSAGE(WM_USER + 10, &CPickDlg::OnUncheck)
//   END_MESSAGE_MAP()
//
// Standard window messages (mouse, keys, painting ...) run the virtual handlers of CWnd
// (OnLButtonDown, OnKeyDown, OnPaint ...). A class that overrides such a handler lists it in its
// map with the matching ON_WM_xxx() entry, as here for a list that edits its cells in place:
//
//   class CCellList : public CListCtrl {
//   protected:
//       void OnLButtonDown(UINT flags, CPoint point) override;
//       void OnKeyDown(UINT key, UINT repeat, UINT flags) override;
//       DECLARE_MESSAGE_MAP()
//   };
//   BEGIN_MESSAGE_MAP(CCellList, CListCtrl)
//       ON_WM_LBUTTONDOWN()
//       ON_WM_KEYDOWN()
//   END_MESSAGE_MAP()
//
// The entry is what tells the Qt view that the class takes the message itself: without it a
// person's clicks and keys on a list, tree, list box or edit field keep their usual meaning
// (select a row, open a node, type) and never reach the override, and a window that paints
// itself gets no mouse message for which it has no entry. Entries are inherited by derived
// classes. Messages sent in code (SendMessage, the scripted user) reach the handler either way.
#pragma once

#include "platform/ui/Messages.h"

#include <functional>
#include <vector>

class CWnd;

namespace vq {

struct MessageMapEntry {
    enum class Kind {
        None,
        Standard,       // ON_WM_xxx: the class handles the standard message `code` in its On... member
        Command,        // WM_COMMAND with a notification code from controls id..lastId
        Notify,         // WM_NOTIFY with a code from controls id..lastId
        Message,        // any other message
        ReflectCommand, // a control's own WM_COMMAND notification, handled by the control
        ReflectNotify   // a control's own WM_NOTIFY notification, handled by the control
    };
    Kind kind = Kind::None;
    UINT code = 0; // notification code, or the message
    UINT id = 0;
    UINT lastId = 0;
    // Runs the handler; returns true when the message counts as handled (reflected "_EX"
    // handlers may decline so the parent sees the notification too).
    std::function<bool(CWnd* self, UINT id, WPARAM wParam, LPARAM lParam, LRESULT* result)> handler;
};

struct MessageMap {
    const MessageMap* (*base)() = nullptr;
    std::vector<MessageMapEntry> entries;
};

// True when the map or one of its bases has an entry for this window message: an ON_WM_xxx
// entry, or an ON_MESSAGE handler.
bool MapHandlesMessage(const MessageMap* map, UINT message);

inline MessageMapEntry StandardEntry(UINT message) {
    return {MessageMapEntry::Kind::Standard, message, 0, 0, {}};
}

// Entry builders used by the macros below.
template <class T> MessageMapEntry CommandEntry(UINT code, UINT first, UINT last, void (T::*fn)()) {
    return {MessageMapEntry::Kind::Command, code, first, last,
            [fn](CWnd* self, UINT, WPARAM, LPARAM, LRESULT*) {
                (static_cast<T*>(self)->*fn)();
                return true;
            }};
}
template <class T> MessageMapEntry CommandRangeEntry(UINT code, UINT first, UINT last, void (T::*fn)(UINT)) {
    return {MessageMapEntry::Kind::Command, code, first, last,
            [fn](CWnd* self, UINT id, WPARAM, LPARAM, LRESULT*) {
                (static_cast<T*>(self)->*fn)(id);
                return true;
            }};
}
template <class T>
MessageMapEntry NotifyEntry(UINT code, UINT first, UINT last, void (T::*fn)(NMHDR*, LRESULT*)) {
    return {MessageMapEntry::Kind::Notify, code, first, last,
            [fn](CWnd* self, UINT, WPARAM, LPARAM lParam, LRESULT* result) {
                (static_cast<T*>(self)->*fn)(reinterpret_cast<NMHDR*>(lParam), result);
                return true;
            }};
}
template <class T>
MessageMapEntry NotifyRangeEntry(UINT code, UINT first, UINT last, void (T::*fn)(UINT, NMHDR*, LRESULT*)) {
    return {MessageMapEntry::Kind::Notify, code, first, last,
            [fn](CWnd* self, UINT id, WPARAM, LPARAM lParam, LRESULT* result) {
                (static_cast<T*>(self)->*fn)(id, reinterpret_cast<NMHDR*>(lParam), result);
                return true;
            }};
}
template <class T> MessageMapEntry MessageEntry(UINT message, LRESULT (T::*fn)(WPARAM, LPARAM)) {
    return {MessageMapEntry::Kind::Message, message, 0, 0,
            [fn](CWnd* self, UINT, WPARAM wParam, LPARAM lParam, LRESULT* result) {
                *result = (static_cast<T*>(self)->*fn)(wParam, lParam);
                return true;
            }};
}
template <class T> MessageMapEntry ReflectNotifyEntry(UINT code, void (T::*fn)(NMHDR*, LRESULT*)) {
    return {MessageMapEntry::Kind::ReflectNotify, code, 0, 0xffff,
            [fn](CWnd* self, UINT, WPARAM, LPARAM lParam, LRESULT* result) {
                (static_cast<T*>(self)->*fn)(reinterpret_cast<NMHDR*>(lParam), result);
                return true;
            }};
}
template <class T> MessageMapEntry ReflectNotifyExEntry(UINT code, BOOL (T::*fn)(NMHDR*, LRESULT*)) {
    return {MessageMapEntry::Kind::ReflectNotify, code, 0, 0xffff,
            [fn](CWnd* self, UINT, WPARAM, LPARAM lParam, LRESULT* result) {
                return (static_cast<T*>(self)->*fn)(reinterpret_cast<NMHDR*>(lParam), result) != FALSE;
            }};
}
template <class T> MessageMapEntry ReflectCommandEntry(UINT code, void (T::*fn)()) {
    return {MessageMapEntry::Kind::ReflectCommand, code, 0, 0xffff,
            [fn](CWnd* self, UINT, WPARAM, LPARAM, LRESULT*) {
                (static_cast<T*>(self)->*fn)();
                return true;
            }};
}
template <class T> MessageMapEntry ReflectCommandExEntry(UINT code, BOOL (T::*fn)()) {
    return {
        MessageMapEntry::Kind::ReflectCommand, code, 0, 0xffff,
        [fn](CWnd* self, UINT, WPARAM, LPARAM, LRESULT*) { return (static_cast<T*>(self)->*fn)() != FALSE; }};
}

} // namespace vq

// Marks a message handler in a class declaration (no effect).
#define afx_msg

#define DECLARE_MESSAGE_MAP()                                                                                \
public:                                                                                                      \
    static const ::vq::MessageMap* GetThisMessageMap();                                                      \
    const ::vq::MessageMap* GetMessageMap() const override;                                                  \
                                                                                                             \
protected:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                               \
    const ::vq::MessageMap* theClass::GetMessageMap() const {                                                \
        return GetThisMessageMap();                                                                          \
    }                                                                                                        \
    const ::vq::MessageMap* theClass::GetThisMessageMap() {                                                  \
        using ThisClass [[maybe_unused]] = theClass;                                                         \
        using TheBaseClass [[maybe_unused]] = baseClass;                                                     \
        static const ::vq::MessageMap messageMap {                                                           \
            &TheBaseClass::GetThisMessageMap, {

#define END_MESSAGE_MAP()                                                                                    \
    }                                                                                                        \
    }                                                                                                        \
    ;                                                                                                        \
    return &messageMap;                                                                                      \
    }

// Commands and control notifications (WM_COMMAND)
#define ON_COMMAND(id, fn) ::vq::CommandEntry<ThisClass>(0, (id), (id), fn),
#define ON_COMMAND_RANGE(first, last, fn) ::vq::CommandRangeEntry<ThisClass>(0, (first), (last), fn),
#define ON_CONTROL(code, id, fn) ::vq::CommandEntry<ThisClass>((code), (id), (id), fn),
#define ON_CONTROL_RANGE(code, first, last, fn)                                                              \
    ::vq::CommandRangeEntry<ThisClass>((code), (first), (last), fn),
#define ON_BN_CLICKED(id, fn) ON_CONTROL(BN_CLICKED, id, fn)
#define ON_BN_DOUBLECLICKED(id, fn) ON_CONTROL(BN_DOUBLECLICKED, id, fn)
#define ON_EN_CHANGE(id, fn) ON_CONTROL(EN_CHANGE, id, fn)
#define ON_EN_UPDATE(id, fn) ON_CONTROL(EN_UPDATE, id, fn)
#define ON_EN_KILLFOCUS(id, fn) ON_CONTROL(EN_KILLFOCUS, id, fn)
#define ON_EN_SETFOCUS(id, fn) ON_CONTROL(EN_SETFOCUS, id, fn)
#define ON_CBN_SELCHANGE(id, fn) ON_CONTROL(CBN_SELCHANGE, id, fn)
#define ON_CBN_CLOSEUP(id, fn) ON_CONTROL(CBN_CLOSEUP, id, fn)
#define ON_CBN_DROPDOWN(id, fn) ON_CONTROL(CBN_DROPDOWN, id, fn)
#define ON_CBN_EDITCHANGE(id, fn) ON_CONTROL(CBN_EDITCHANGE, id, fn)
#define ON_CBN_KILLFOCUS(id, fn) ON_CONTROL(CBN_KILLFOCUS, id, fn)
#define ON_CBN_DBLCLK(id, fn) ON_CONTROL(CBN_DBLCLK, id, fn)
#define ON_LBN_SELCHANGE(id, fn) ON_CONTROL(LBN_SELCHANGE, id, fn)
#define ON_LBN_DBLCLK(id, fn) ON_CONTROL(LBN_DBLCLK, id, fn)
#define ON_STN_CLICKED(id, fn) ON_CONTROL(STN_CLICKED, id, fn)
#define ON_STN_DBLCLK(id, fn) ON_CONTROL(STN_DBLCLK, id, fn)

// Notifications (WM_NOTIFY)
#define ON_NOTIFY(code, id, fn) ::vq::NotifyEntry<ThisClass>((code), (id), (id), fn),
#define ON_NOTIFY_RANGE(code, first, last, fn) ::vq::NotifyRangeEntry<ThisClass>((code), (first), (last), fn),

// A control's own notifications, handled by the control before its parent sees them. The _EX
// forms return TRUE to keep the notification from the parent.
#define ON_NOTIFY_REFLECT(code, fn) ::vq::ReflectNotifyEntry<ThisClass>((code), fn),
#define ON_NOTIFY_REFLECT_EX(code, fn) ::vq::ReflectNotifyExEntry<ThisClass>((code), fn),
#define ON_CONTROL_REFLECT(code, fn) ::vq::ReflectCommandEntry<ThisClass>((code), fn),
#define ON_CONTROL_REFLECT_EX(code, fn) ::vq::ReflectCommandExEntry<ThisClass>((code), fn),

// Other messages
#define ON_MESSAGE(message, fn) ::vq::MessageEntry<ThisClass>((message), fn),

// Standard window messages: the class overrides the virtual handler (see the top of this file).
#define VQ_STANDARD_ENTRY(message) ::vq::StandardEntry(message),
#define ON_WM_PAINT() VQ_STANDARD_ENTRY(WM_PAINT)
#define ON_WM_SIZE() VQ_STANDARD_ENTRY(WM_SIZE)
#define ON_WM_SIZING() VQ_STANDARD_ENTRY(WM_SIZING)
#define ON_WM_CREATE() VQ_STANDARD_ENTRY(WM_CREATE)
#define ON_WM_DESTROY() VQ_STANDARD_ENTRY(WM_DESTROY)
#define ON_WM_CLOSE() VQ_STANDARD_ENTRY(WM_CLOSE)
#define ON_WM_TIMER() VQ_STANDARD_ENTRY(WM_TIMER)
#define ON_WM_ERASEBKGND() VQ_STANDARD_ENTRY(WM_ERASEBKGND)
#define ON_WM_LBUTTONDOWN() VQ_STANDARD_ENTRY(WM_LBUTTONDOWN)
#define ON_WM_LBUTTONUP() VQ_STANDARD_ENTRY(WM_LBUTTONUP)
#define ON_WM_LBUTTONDBLCLK() VQ_STANDARD_ENTRY(WM_LBUTTONDBLCLK)
#define ON_WM_RBUTTONDOWN() VQ_STANDARD_ENTRY(WM_RBUTTONDOWN)
#define ON_WM_RBUTTONUP() VQ_STANDARD_ENTRY(WM_RBUTTONUP)
#define ON_WM_MOUSEMOVE() VQ_STANDARD_ENTRY(WM_MOUSEMOVE)
#define ON_WM_KEYDOWN() VQ_STANDARD_ENTRY(WM_KEYDOWN)
#define ON_WM_CHAR() VQ_STANDARD_ENTRY(WM_CHAR)
#define ON_WM_SETFOCUS() VQ_STANDARD_ENTRY(WM_SETFOCUS)
#define ON_WM_KILLFOCUS() VQ_STANDARD_ENTRY(WM_KILLFOCUS)
#define ON_WM_GETMINMAXINFO() VQ_STANDARD_ENTRY(WM_GETMINMAXINFO)
#define ON_WM_SHOWWINDOW() VQ_STANDARD_ENTRY(WM_SHOWWINDOW)
#define ON_WM_SYSCOMMAND() VQ_STANDARD_ENTRY(WM_SYSCOMMAND)
#define ON_WM_CTLCOLOR() VQ_STANDARD_ENTRY(WM_CTLCOLOR)
#define ON_WM_QUERYDRAGICON() VQ_STANDARD_ENTRY(WM_QUERYDRAGICON)
#define ON_WM_CONTEXTMENU() VQ_STANDARD_ENTRY(WM_CONTEXTMENU)
#define ON_WM_HSCROLL() VQ_STANDARD_ENTRY(WM_HSCROLL)
#define ON_WM_VSCROLL() VQ_STANDARD_ENTRY(WM_VSCROLL)
