#pragma once

#include "Preferences/Pane/PreferencePane.h"

#include <QIcon>
#include <QPixmap>

// A pane of a known size, so window geometry does not depend on fonts.
class FixedPane : public Preferences::PreferencePane {
public:
    FixedPane(QString identifier, QString title, QSize size, QIcon icon = {})
        : m_identifier(std::move(identifier)), m_title(std::move(title)), m_size(size),
          m_icon(std::move(icon))
    {
    }
    Preferences::PaneIdentifier preferencePaneIdentifier() const override
    {
        return Preferences::PaneIdentifier(m_identifier);
    }
    QString preferencePaneTitle() const override { return m_title; }
    QIcon toolbarItemIcon() const override { return m_icon; }
    QSize sizeHint() const override { return m_size; }
    QSize minimumSizeHint() const override { return m_size; }

private:
    QString m_identifier;
    QString m_title;
    QSize m_size;
    QIcon m_icon;
};

inline QIcon solidIcon(Qt::GlobalColor color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(color);
    return QIcon(pixmap);
}
