// Not called by the application: kept as a library service for other users.
#pragma once

#include "KestrelExtensions/Observation/Binding.h"

#include <functional>

class QWidget;

namespace KestrelExtensions {

// The presentation state of a shown sheet or dialog, as its content sees it: whether it is presented
// and a way to end the presentation. Dismissing resets the presenter's state (for example its
// "show the Save Layout sheet" flag); it does not close any window by itself.
class PresentationMode {
public:
    PresentationMode() = default;
    // Dismissing writes false into the presenter's flag.
    explicit PresentationMode(Binding<bool> isPresented);
    // Dismissing runs `dismiss`; the state counts as presented until then.
    explicit PresentationMode(std::function<void()> dismiss);

    bool isPresented() const;
    void dismiss();

private:
    Binding<bool> m_isPresented;
    std::function<void()> m_dismiss;
    bool m_dismissed = false;
};

// Closes the sheet that is the application's key (active) window, when it hangs from another window,
// then dismisses the presentation in every case. With no active window, or an active window that is
// not a sheet, it only dismisses. Main thread only.
void endSheetAndDismiss(PresentationMode& presentationMode);

// The same for a sheet the caller holds (the sheet's window, or any widget inside it): closes that
// window when it is shown, then dismisses. Does not depend on which window the window system made
// active; a widget embedded in a main window closes nothing.
void endSheetAndDismiss(QWidget* sheet, PresentationMode& presentationMode);

} // namespace KestrelExtensions
