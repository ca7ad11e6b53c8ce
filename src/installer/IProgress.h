#pragma once

#include <QString>

// What a long operation (download, install, remove) reports while it runs.
// Kept free of widgets so that the core library and the command-line tool can
// drive the same procedures as the window.
class IProgress
{
public:
    virtual ~IProgress() = default;

    virtual void reset() = 0;
    virtual void setTitle(QString title) = 0;
    virtual void setStatus(QString text) = 0;
    virtual void setMaximum(int maximum) = 0;
    virtual void setValue(int value) = 0;
    virtual void setFinished() = 0;
    virtual bool isFinished() = 0;

    // Only an operation that can stop without leaving anything half done
    // offers a Cancel; it then looks at isCancelled() as it goes, and a face
    // without a way to cancel keeps both as they are.
    virtual void setCancellable(bool) { }
    virtual bool isCancelled() { return false; }
};
