#pragma once

#include <QString>

namespace KestrelUpdater {

class Updater;

// The "Include beta releases" switch: on means the beta channel. It keeps no setting of its own: it reads
// the channel from the updater's feed once, when made, and every set points the feed at the chosen channel.
class IncludeBetas {
public:
    explicit IncludeBetas(Updater& updater);

    QString key() const { return m_key; }
    bool value() const { return m_backingValue; }
    // Sets the feed (and logs it) on every call, also when the value does not change. Without an
    // application id nothing happens at all; answers whether the set took place.
    bool setValue(bool on);

private:
    QString m_key;
    Updater& m_updater;
    bool m_backingValue = false;
};

// Points the updater at the beta or the release feed of its application and logs the new feed. Answers
// false, touching nothing, when the application has no id.
bool setFeedChannel(Updater& updater, bool betas);

} // namespace KestrelUpdater
