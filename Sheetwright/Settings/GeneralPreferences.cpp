#include "GeneralPreferences.h"

#include "KestrelExtensions/Defaults/UserDefaults.h"
#include "KestrelExtensions/Localization/Localized.h"
#include "RuvedovUzedoz/Layouts/BuiltInLayout.h"
#include "Sheetwright/Editors/ElidedText.h"
#include "Sheetwright/Editors/LabelledView.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

namespace Sheetwright {

using KestrelExtensions::localized;

namespace {

constexpr int formWidth = 400;
constexpr int formHeight = 200;
constexpr int paneWidth = 600;

QStandardItem* headerItem(const QString& text)
{
    // Shown greyed: a header names the rows under it and cannot be chosen.
    auto* item = new QStandardItem(text);
    item->setFlags(Qt::NoItemFlags);
    return item;
}

QStandardItem* layoutItem(const QString& text, const QString& tag)
{
    auto* item = new QStandardItem(text);
    item->setData(tag, Qt::UserRole);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

QLineEdit* metadataField(const char* title)
{
    auto* field = new QLineEdit;
    // The caption under the field names it; an empty field repeats the name inside.
    field->setPlaceholderText(localized(title));
    field->setClearButtonEnabled(false);
    return field;
}

} // namespace

GeneralPreferences::GeneralPreferences(QWidget* parent)
    : GeneralPreferences(KestrelExtensions::UserDefaults::standard(), LayoutManager::shared(), parent)
{
}

GeneralPreferences::GeneralPreferences(KestrelExtensions::UserDefaults& defaults,
                                       LayoutManager& layoutManager, QWidget* parent)
    : QWidget(parent), m_defaults(defaults), m_layoutManager(layoutManager)
{
    m_layoutPicker = new QComboBox;
    m_layoutRows = new QStandardItemModel(m_layoutPicker);
    m_layoutPicker->setModel(m_layoutRows);
    m_layoutPicker->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_layoutPicker->setObjectName(QStringLiteral("DefaultLayoutPicker"));
    m_title = metadataField("Title");
    m_author = metadataField("Author");
    m_subject = metadataField("Subject");

    auto* form = new QWidget;
    form->setObjectName(QStringLiteral("GeneralForm"));
    // A fixed height would clip the captions with larger fonts; the form may grow, never shrink.
    form->setFixedWidth(formWidth);
    form->setMinimumHeight(formHeight);
    auto* formLayout = new QVBoxLayout(form);
    formLayout->setContentsMargins(0, 0, 0, 0);
    formLayout->addWidget(new LabelledView(QStringLiteral("Default Layout"), m_layoutPicker));

    auto* metadata = new QGroupBox(localized("Default Metadata"));
    auto* metadataLayout = new QVBoxLayout(metadata);
    for (auto [field, title] : {std::pair{m_title, "Title"}, {m_author, "Author"}, {m_subject, "Subject"}}) {
        auto* labelled = new LabelledView(QString::fromUtf8(title), field);
        labelled->setStretchesControl(true);
        metadataLayout->addWidget(labelled);
    }
    formLayout->addWidget(metadata);
    formLayout->addStretch();

    auto* pane = new QVBoxLayout(this);
    pane->addWidget(form, 0, Qt::AlignHCenter | Qt::AlignVCenter);
    setMinimumWidth(paneWidth);

    rebuildLayoutRows();
    showStoredText(m_title, titleKey);
    showStoredText(m_author, authorKey);
    showStoredText(m_subject, subjectKey);

    // Only the user's own edits write: activated and textEdited never fire for changes made in code.
    connect(m_layoutPicker, &QComboBox::activated, this, [this](int row) {
        const QVariant tag = m_layoutPicker->itemData(row, Qt::UserRole);
        if (tag.isValid())
            m_defaults.setString(defaultLayoutKey, tag.toString());
    });
    connect(m_title, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_defaults.setString(titleKey, text); });
    connect(m_author, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_defaults.setString(authorKey, text); });
    connect(m_subject, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_defaults.setString(subjectKey, text); });
    connect(&m_defaults, &KestrelExtensions::UserDefaults::changed, this,
            &GeneralPreferences::storedValueChanged);
}

LayoutManager::TitleKey GeneralPreferences::defaultLayout() const
{
    const std::optional<QString> stored = m_defaults.string(defaultLayoutKey);
    return stored ? LayoutManager::TitleKey(*stored) : LayoutManager::TitleKey::defaultLayout;
}

QString GeneralPreferences::storedText(const QString& key) const
{
    return m_defaults.string(key).value_or(QString());
}

void GeneralPreferences::rebuildLayoutRows()
{
    const QSignalBlocker blocker(m_layoutPicker);
    m_layoutRows->clear();
    m_layoutRows->appendRow(layoutItem(localized("Default"), LayoutManager::TitleKey::defaultLayout.name()));
    m_layoutPicker->insertSeparator(m_layoutRows->rowCount());
    const char* group = nullptr;
    for (const RuvedovUzedoz::BuiltInLayout& preset : RuvedovUzedoz::builtInLayouts()) {
        if (!group || qstrcmp(group, preset.group) != 0)
            m_layoutRows->appendRow(headerItem(localized(preset.group)));
        group = preset.group;
        m_layoutRows->appendRow(layoutItem(localized(preset.title), preset.name));
    }
    m_layoutRows->appendRow(headerItem(localized("Custom Layouts")));
    // The table is ordered by its keys' plain string order already; custom names are shown as they are,
    // cut to the form's width when a file's name is longer (the whole name then in the tooltip).
    const int room = formWidth - 80; // what the picker's frame and arrow leave of the form
    for (const auto& [key, layout] : m_layoutManager.layouts()) {
        const QString shown = elidedForDisplay(key.name(), m_layoutPicker->fontMetrics(), room);
        QStandardItem* item = layoutItem(shown, key.name());
        if (shown != key.name())
            item->setToolTip(key.name());
        m_layoutRows->appendRow(item);
    }
    selectStoredLayout();
}

void GeneralPreferences::selectStoredLayout()
{
    const QSignalBlocker blocker(m_layoutPicker);
    const QString stored = defaultLayout().name();
    // The first row with the name wins (a custom layout may share a preset's name); an unknown name
    // shows no row and stays stored.
    int selected = -1;
    for (int row = 0; row < m_layoutRows->rowCount(); ++row) {
        const QVariant tag = m_layoutRows->item(row)->data(Qt::UserRole);
        if (tag.isValid() && tag.toString() == stored) {
            selected = row;
            break;
        }
    }
    m_layoutPicker->setCurrentIndex(selected);
}

void GeneralPreferences::showStoredText(QLineEdit* field, const QString& key)
{
    const QString text = storedText(key);
    // Rewriting the same text would move the cursor of the field being typed in.
    if (field->text() == text)
        return;
    const QSignalBlocker blocker(field);
    field->setText(text);
}

void GeneralPreferences::storedValueChanged(const QString& key)
{
    if (key != defaultLayoutKey && key != titleKey && key != authorKey && key != subjectKey)
        return;
    // Any change of the pane's settings lists the layouts afresh.
    rebuildLayoutRows();
    if (key == titleKey)
        showStoredText(m_title, titleKey);
    else if (key == authorKey)
        showStoredText(m_author, authorKey);
    else if (key == subjectKey)
        showStoredText(m_subject, subjectKey);
}

void GeneralPreferences::showEvent(QShowEvent* event)
{
    rebuildLayoutRows();
    QWidget::showEvent(event);
}

} // namespace Sheetwright
