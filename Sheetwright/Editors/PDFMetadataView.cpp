#include "PDFMetadataView.h"

#include "KestrelExtensions/Localization/Localized.h"
#include "LabelledView.h"

#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

using KestrelExtensions::localized;
using RuvedovUzedoz::PDFMetadata;

namespace Sheetwright {

PDFMetadataView::PDFMetadataView(KestrelExtensions::Binding<PDFMetadata> metadata, QWidget* parent)
    : QWidget(parent), m_metadata(std::move(metadata))
{
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(0, 0, 0, 0);
    auto row = [&](const char* title, const char* name, const char* help, QString PDFMetadata::*field) {
        auto* edit = new QLineEdit;
        edit->setObjectName(QString::fromLatin1(name));
        auto binding = m_metadata.member(field);
        connect(edit, &QLineEdit::textEdited, this, [binding](const QString& text) { binding.set(text); });
        auto show = [edit, binding] {
            // Only when it differs: resetting the text would move the cursor while the user types.
            const QString text = binding.get();
            if (edit->text() != text) {
                const QSignalBlocker blocker(edit);
                edit->setText(text);
            }
        };
        m_metadata.onChange(edit, show);
        show();
        auto* view = new LabelledView(QString::fromUtf8(title), edit, this);
        view->setStretchesControl(true);
        view->setToolTip(localized(help));
        rows->addWidget(view);
    };
    row("Title", "titleField", "Set the title of the PDF", &PDFMetadata::title);
    row("Author", "authorField", "Set the author of the PDF", &PDFMetadata::author);
    row("Subject", "subjectField", "Set the subject of the PDF", &PDFMetadata::subject);
}

} // namespace Sheetwright
