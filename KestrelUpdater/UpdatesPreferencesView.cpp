#include "UpdatesPreferencesView.h"

#include "KestrelExtensions/Localization/Localized.h"
#include "Observation/UpdateFrequency.h"
#include "Pane/LastCheckDateFormat.h"
#include "Updater.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

using KestrelExtensions::localized;

namespace KestrelUpdater {
namespace {

const char* frequencyTitle(UpdateFrequency frequency)
{
    switch (frequency) {
    case UpdateFrequency::hourly:
        return "Hourly";
    case UpdateFrequency::daily:
        return "Daily";
    case UpdateFrequency::weekly:
        return "Weekly";
    }
    return "";
}

} // namespace

UpdatesPreferencesView::UpdatesPreferencesView(Updater& updater, QWidget* parent)
    : QWidget(parent), m_checkForUpdates(updater, "automaticallyChecksForUpdates"),
      m_updateFrequency(updater, "updateCheckInterval"), m_includeBetas(std::in_place, updater),
      m_sendsSystemProfile(updater, "sendsSystemProfile"),
      m_automaticallyDownloadsUpdates(updater, "automaticallyDownloadsUpdates"),
      m_lastUpdateCheckDate(updater, "lastUpdateCheckDate"), m_updater(updater)
{
    auto* column = new QVBoxLayout(this);

    auto* checkRow = new QHBoxLayout;
    m_checkBox = new QCheckBox(localized("Check for Updates:"), this);
    m_checkBox->setObjectName(QStringLiteral("checkForUpdates"));
    checkRow->addSpacing(style()->pixelMetric(QStyle::PM_LayoutLeftMargin));
    checkRow->addWidget(m_checkBox);
    m_frequencyPicker = new QComboBox(this);
    m_frequencyPicker->setObjectName(QStringLiteral("updateFrequency"));
    for (UpdateFrequency frequency : allUpdateFrequencies)
        m_frequencyPicker->addItem(localized(frequencyTitle(frequency)), rawValue(frequency));
    // A minimum rather than a fixed width, so longer translations and larger fonts are not clipped.
    m_frequencyPicker->setMinimumWidth(100);
    checkRow->addWidget(m_frequencyPicker);
    checkRow->addStretch();
    m_checkNowButton = new QPushButton(localized("Check Now…"), this);
    m_checkNowButton->setObjectName(QStringLiteral("checkNow"));
    checkRow->addWidget(m_checkNowButton);
    column->addLayout(checkRow);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    column->addWidget(divider);

    auto* form = new QVBoxLayout;
    m_includeBetasBox = new QCheckBox(localized("Include beta releases"), this);
    m_includeBetasBox->setObjectName(QStringLiteral("includeBetas"));
    m_systemProfileBox = new QCheckBox(localized("Send anonymous system information"), this);
    m_systemProfileBox->setObjectName(QStringLiteral("sendsSystemProfile"));
    m_downloadsBox = new QCheckBox(localized("Download updates automatically"), this);
    m_downloadsBox->setObjectName(QStringLiteral("automaticallyDownloadsUpdates"));
    form->addWidget(m_includeBetasBox);
    form->addWidget(m_systemProfileBox);
    form->addWidget(m_downloadsBox);
    column->addLayout(form);

    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(0, style()->pixelMetric(QStyle::PM_LayoutTopMargin), 0, 0);
    auto* lastCheckTitle = new QLabel(localized("Last check for updates:"), this);
    lastCheckTitle->setObjectName(QStringLiteral("lastCheckTitle"));
    m_lastCheckLabel = new QLabel(this);
    m_lastCheckLabel->setObjectName(QStringLiteral("lastCheckDate"));
    footer->addWidget(lastCheckTitle);
    footer->addWidget(m_lastCheckLabel);
    footer->addStretch();
    column->addLayout(footer);
    setMinimumWidth(600);

    // Writes follow the user's own actions only; programmatic refreshes write nothing.
    connect(m_checkBox, &QCheckBox::clicked, this, [this](bool on) { m_checkForUpdates.set(on); });
    connect(m_frequencyPicker, &QComboBox::activated, this,
            [this](int row) { m_updateFrequency.set(m_frequencyPicker->itemData(row).toDouble()); });
    connect(m_checkNowButton, &QPushButton::clicked, &m_updater, &Updater::checkForUpdates);
    connect(m_includeBetasBox, &QCheckBox::clicked, this, [this](bool on) {
        // Without an application id no feed can be set: the box must not claim a channel that is not.
        if (!m_includeBetas->setValue(on)) {
            const QSignalBlocker blocker(m_includeBetasBox);
            m_includeBetasBox->setChecked(m_includeBetas->value());
        }
    });
    connect(m_systemProfileBox, &QCheckBox::clicked, this, [this](bool on) { m_sendsSystemProfile.set(on); });
    connect(m_downloadsBox, &QCheckBox::clicked, this,
            [this](bool on) { m_automaticallyDownloadsUpdates.set(on); });

    for (ObservableUpdater* observer :
         {&m_checkForUpdates.observer(), &m_updateFrequency.observer(), &m_sendsSystemProfile.observer(),
          &m_automaticallyDownloadsUpdates.observer(), &m_lastUpdateCheckDate.observer()})
        connect(observer, &ObservableUpdater::changed, this, &UpdatesPreferencesView::refresh);
    refresh();
}

UpdatesPreferencesView::~UpdatesPreferencesView() = default;

void UpdatesPreferencesView::refresh()
{
    const bool automatic = m_checkForUpdates.get();
    {
        const QSignalBlocker blocker(m_checkBox);
        m_checkBox->setChecked(automatic);
    }
    {
        // An interval that is none of the choices selects no row.
        const QSignalBlocker blocker(m_frequencyPicker);
        const double interval = m_updateFrequency.get();
        int row = -1;
        for (int i = 0; i < m_frequencyPicker->count(); ++i)
            if (m_frequencyPicker->itemData(i).toDouble() == interval)
                row = i;
        m_frequencyPicker->setCurrentIndex(row);
        m_frequencyPicker->setEnabled(automatic);
    }
    for (auto [box, on] : {std::pair{m_includeBetasBox, m_includeBetas->value()},
                           std::pair{m_systemProfileBox, m_sendsSystemProfile.get()},
                           std::pair{m_downloadsBox, m_automaticallyDownloadsUpdates.get()}}) {
        const QSignalBlocker blocker(box);
        box->setChecked(on);
    }
    const QDateTime last = m_lastUpdateCheckDate.get();
    m_lastCheckLabel->setText(last.isValid()
                                  ? formatLastCheckDate(last, QDateTime::currentDateTime(), QLocale())
                                  : localized("Never"));
}

void UpdatesPreferencesView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Each time the pane comes on screen the switch takes its channel from the feed afresh.
    if (!event->spontaneous()) {
        m_includeBetas.emplace(m_updater);
        refresh();
    }
}

} // namespace KestrelUpdater
