#pragma once
// Dispatch tables shared by dialogs and plain windows: each class lists the
// messages, commands and notifications it handles with a member function.
// A handler says whether it handled the message and what it returns.

#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <vector>

namespace fh {

// The answer to a message; empty when the handler leaves it to the default.
using MsgResult = std::optional<LRESULT>;
inline MsgResult Handled(LRESULT value = 0) { return value; }
inline MsgResult NotHandled() { return std::nullopt; }

// One row of a dispatch table: a plain message, a WM_COMMAND from a control
// with a notification code, or a WM_NOTIFY from a control with a code.
template <class T>
struct DispatchEntry {
    enum Kind { Message, Command, Notify };
    Kind kind;
    UINT message;  // the message, or the notification code
    int id;
    MsgResult (T::*onMessage)(WPARAM, LPARAM);
    void (T::*onCommand)();
    LRESULT (T::*onNotify)(NMHDR*);
};

template <class T>
DispatchEntry<T> OnMessage(UINT message, MsgResult (T::*handler)(WPARAM, LPARAM)) {
    return {DispatchEntry<T>::Message, message, 0, handler, nullptr, nullptr};
}

template <class T>
DispatchEntry<T> OnCommand(int id, UINT code, void (T::*handler)()) {
    return {DispatchEntry<T>::Command, code, id, nullptr, handler, nullptr};
}

template <class T>
DispatchEntry<T> OnNotify(int id, UINT code, LRESULT (T::*handler)(NMHDR*)) {
    return {DispatchEntry<T>::Notify, code, id, nullptr, nullptr, handler};
}

// Looks the message up in T's table (`static const std::vector<DispatchEntry<T>>& DispatchTable()`).
template <class T>
MsgResult DispatchThroughTable(T* self, UINT msg, WPARAM wParam, LPARAM lParam) {
    for (const DispatchEntry<T>& e : T::DispatchTable()) {
        switch (e.kind) {
        case DispatchEntry<T>::Message:
            if (msg == e.message) return (self->*e.onMessage)(wParam, lParam);
            break;
        case DispatchEntry<T>::Command:
            if (msg == WM_COMMAND && LOWORD(wParam) == e.id && HIWORD(wParam) == e.message) {
                (self->*e.onCommand)();
                return Handled(0);
            }
            break;
        case DispatchEntry<T>::Notify:
            if (msg == WM_NOTIFY && lParam) {
                auto* hdr = reinterpret_cast<NMHDR*>(lParam);
                // Control identifiers are 16-bit: idFrom fits an int.
                if (static_cast<int>(hdr->idFrom) == e.id && hdr->code == e.message) return (self->*e.onNotify)(hdr);
            }
            break;
        }
    }
    return NotHandled();
}

}  // namespace fh
