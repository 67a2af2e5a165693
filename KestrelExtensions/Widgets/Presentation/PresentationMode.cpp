#include "PresentationMode.h"

#include <QApplication>
#include <QWidget>

namespace KestrelExtensions {

PresentationMode::PresentationMode(Binding<bool> isPresented) : m_isPresented(std::move(isPresented)) {}

PresentationMode::PresentationMode(std::function<void()> dismiss) : m_dismiss(std::move(dismiss)) {}

bool PresentationMode::isPresented() const
{
    if (m_isPresented.isValid())
        return m_isPresented.get();
    return bool(m_dismiss) && !m_dismissed;
}

void PresentationMode::dismiss()
{
    if (m_isPresented.isValid()) {
        m_isPresented.set(false);
        return;
    }
    m_dismissed = true;
    if (m_dismiss)
        m_dismiss();
}

namespace {

// A sheet is a window that hangs from another window: the other window is its "main window".
bool isSheet(const QWidget* window)
{
    return window && window->isWindow() && window->parentWidget() && window->parentWidget()->window();
}

} // namespace

void endSheetAndDismiss(PresentationMode& presentationMode)
{
    QWidget* keyWindow = QApplication::activeWindow();
    if (isSheet(keyWindow))
        keyWindow->close();
    presentationMode.dismiss();
}

void endSheetAndDismiss(QWidget* sheet, PresentationMode& presentationMode)
{
    // A widget inside the sheet stands for the sheet's window; a widget embedded in a main window does
    // not make that main window closable from here.
    QWidget* window = sheet ? sheet->window() : nullptr;
    if (window && window->isVisible() && (window == sheet || isSheet(window)))
        window->close();
    presentationMode.dismiss();
}

} // namespace KestrelExtensions
