#pragma once

#include "installer/IProgress.h"

#include <QDialog>
#include <memory>

class ProgressForm;

// The dialog that long operations report to. Status and value updates let
// Qt process pending events, because the operations run on the GUI thread
// and the dialog must repaint and network replies must arrive meanwhile.
// Escape and closing it are its Cancel: the dialog stays until the operation
// ends, so it never hides work that goes on. It keeps the user's input away
// from the window it belongs to, but not that window's close request: a modal
// dialog would have the window system's close button ignored, where closing
// must cancel what can stop.
class Progress : public QDialog, public IProgress
{
    Q_OBJECT

public:
    explicit Progress(QWidget* parent);
    ~Progress() override;

    void reset() override;
    void setTitle(QString title) override;
    void setStatus(QString text) override;
    void setMaximum(int maximum) override;
    void setValue(int value) override;
    void setFinished() override;
    bool isFinished() override;
    void setCancellable(bool cancellable) override;
    bool isCancelled() override { return m_cancelled; }
    // The line above the status: the step, the extension and the installation.
    void setHeading(const QString& heading);

public slots:
    // Cancels when the operation offers it; otherwise does nothing.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Grows the dialog to the height its wrapped lines and its Cancel need.
    void fitContents();

    std::unique_ptr<ProgressForm> ui;
    bool m_finished = false;
    bool m_cancellable = false;
    bool m_cancelled = false;
};
