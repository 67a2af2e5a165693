#include "SaveLayout.h"

#include "FailureReport.h"
#include "KestrelExtensions/Coding/LocalizedError.h"
#include "KestrelExtensions/Localization/Localized.h"
#include "LabelledView.h"
#include "Sheetwright/Layouts/LayoutManager.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

using KestrelExtensions::localized;
using RuvedovUzedoz::SavedPageLayout;
using Options = RuvedovUzedoz::SavedPageLayout::Options;

namespace Sheetwright {

namespace {
struct ToggleRow {
    const char* label;
    bool Options::*flag;
};
struct SectionRows {
    const char* header;
    std::vector<ToggleRow> toggles;
};

// The sheet's toggles and the field each one keeps. Resolution, smallest size and scale factor have
// none; "All" and "None" set them with the rest.
const std::vector<SectionRows>& sections()
{
    static const std::vector<SectionRows> rows{
        {"Page Layout",
         {{"Width", &Options::width},
          {"Height", &Options::height},
          {"Margin", &Options::margin},
          {"Rows", &Options::rows},
          {"Columns", &Options::columns}}},
        {"Style",
         {{"Show Label", &Options::showsLabel},
          {"Font Name", &Options::fontName},
          {"Font Size", &Options::fontSize},
          {"Font Color", &Options::fontColor},
          {"Draw Background", &Options::drawsBackground},
          {"Background Color", &Options::backgroundColor},
          {"Draw Bounding Box", &Options::drawsBoundingBox},
          {"Draw Images", &Options::drawsImages}}},
        {"Rendering",
         {{"Enable Compression", &Options::enableQuartz},
          {"Image Compression", &Options::imageQuality},
          {"Image Quality", &Options::imageSizeMax}}},
    };
    return rows;
}
} // namespace

SaveLayout::SaveLayout(const RuvedovUzedoz::PageLayout& layout, const QString& name, const Options& options,
                       LayoutManager* manager, QWidget* parent)
    : QDialog(parent), m_layout(layout), m_options(options),
      m_manager(manager ? manager : &LayoutManager::shared()), m_name(new QLineEdit(name))
{
    setObjectName(QStringLiteral("saveLayout"));
    setWindowTitle(localized("Save Layout"));
    setWindowModality(Qt::WindowModal);
    setMinimumSize(300, 100);

    const int padding = 12;
    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(padding, padding, padding, padding);

    m_name->setObjectName(QStringLiteral("nameField"));
    auto* nameStack = new LabelledView(QStringLiteral("Title"), m_name);
    nameStack->setStretchesControl(true);
    form->addWidget(nameStack);
    form->addSpacing(padding / 2);

    auto* header = new QHBoxLayout;
    auto* prompt = new QLabel(localized("Select Properties to Save"));
    QFont italic = prompt->font();
    italic.setItalic(true);
    prompt->setFont(italic);
    header->addWidget(prompt);
    header->addSpacing(padding);
    header->addStretch(1);
    auto smallButton = [&](const char* title, const char* objectName) {
        auto* button = new QPushButton(localized(title));
        button->setObjectName(QString::fromLatin1(objectName));
        button->setAutoDefault(false);
        QFont font = button->font();
        font.setPointSizeF(font.pointSizeF() - 1.5);
        button->setFont(font);
        header->addWidget(button);
        return button;
    };
    connect(smallButton("All", "allButton"), &QPushButton::clicked, this, [this] {
        m_options.selectAll();
        refreshToggles();
    });
    connect(smallButton("None", "noneButton"), &QPushButton::clicked, this, [this] {
        m_options.selectNone();
        refreshToggles();
    });
    form->addLayout(header);
    form->addSpacing(padding / 2);

    for (const auto& section : sections()) {
        auto* title = new QLabel(localized(section.header));
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        form->addWidget(title);
        auto* toggles = new QVBoxLayout;
        toggles->setContentsMargins(padding, 0, 0, padding / 2);
        toggles->setSpacing(2);
        for (const auto& row : section.toggles) {
            auto* box = new QCheckBox(localized(row.label));
            box->setObjectName(QString::fromUtf8(row.label));
            connect(box, &QCheckBox::toggled, this,
                    [this, flag = row.flag](bool on) { m_options.*flag = on; });
            toggles->addWidget(box);
            m_toggles.append({box, row.flag});
        }
        form->addLayout(toggles);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* cancel = new QPushButton(localized("Cancel"));
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* saveButton = new QPushButton(localized("Save Layout"));
    saveButton->setObjectName(QStringLiteral("saveButton"));
    saveButton->setDefault(true);
    connect(saveButton, &QPushButton::clicked, this, [this] { save(); });
    buttons->addWidget(cancel);
    buttons->addWidget(saveButton);
    form->addStretch(1);
    form->addSpacing(padding / 2);
    form->addLayout(buttons);

    refreshToggles();
    // Typing replaces the proposed name instead of adding to it.
    m_name->selectAll();
    m_name->setFocus();
}

QString SaveLayout::name() const
{
    return m_name->text();
}

void SaveLayout::refreshToggles()
{
    for (const Toggle& toggle : m_toggles) {
        const QSignalBlocker blocker(toggle.box);
        toggle.box->setChecked(m_options.*toggle.flag);
    }
}

void SaveLayout::save()
{
    const QString name = m_name->text();
    if (auto problem = LayoutManager::nameProblem(name)) {
        showError(*problem);
        return;
    }
    // A layout of that name could be saved but never applied: the name always means the full default.
    if (LayoutManager::TitleKey(name) == LayoutManager::TitleKey::defaultLayout) {
        showError(localized("\u201C%1\u201D is the name of the full default layout. Choose another name.")
                      .arg(name));
        return;
    }
    try {
        m_manager->save(SavedPageLayout::from(m_layout, m_options), LayoutManager::TitleKey(name));
    } catch (const KestrelExtensions::LocalizedError& error) {
        reportFailure(this, {localized("The layout \u201C%1\u201D could not be saved.").arg(name),
                             m_manager->filePath(LayoutManager::TitleKey(name)), error.errorDescription()});
        return;
    }
    accept();
}

void SaveLayout::showError(const QString& reason)
{
    auto* box = new QMessageBox(QMessageBox::Warning, localized("The layout could not be saved."), reason,
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("saveLayoutError"));
    box->setInformativeText(reason);
    box->setText(localized("The layout could not be saved."));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

} // namespace Sheetwright
