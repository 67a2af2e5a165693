#pragma once

#include <QObject>
#include <memory>

namespace RuvedovUzedoz {

// The observable state of a contact sheet's renders: the one-based number of the page drawn last, the
// pages of the running render, and whether a render runs. Touched on the main thread only. Each setter
// signals only a real change, its own signal first, then `changed()`.
class PDFProgress : public QObject {
    Q_OBJECT
    Q_PROPERTY(float completedUnitCount READ completedUnitCount WRITE setCompletedUnitCount NOTIFY
                   completedUnitCountChanged)
    Q_PROPERTY(float totalUnitCount READ totalUnitCount WRITE setTotalUnitCount NOTIFY totalUnitCountChanged)
    Q_PROPERTY(bool isRendering READ isRendering WRITE setRendering NOTIFY isRenderingChanged)

public:
    explicit PDFProgress(QObject* parent = nullptr);

    // A progress owned by contact sheets. The last owner may be a copy of the sheet held by a worker
    // thread, so an owner released off the object's thread hands the deletion to that thread.
    static std::shared_ptr<PDFProgress> create();

    float completedUnitCount() const { return m_completedUnitCount; }
    float totalUnitCount() const { return m_totalUnitCount; }
    bool isRendering() const { return m_isRendering; }

    void setCompletedUnitCount(float value);
    void setTotalUnitCount(float value);
    void setRendering(bool value);

signals:
    void completedUnitCountChanged(float value);
    void totalUnitCountChanged(float value);
    void isRenderingChanged(bool value);
    void changed();

private:
    float m_completedUnitCount = 0;
    float m_totalUnitCount = 0;
    bool m_isRendering = false;
};

} // namespace RuvedovUzedoz
