// SPDX-License-Identifier: MIT
// Keeping a new window centred while its window manager adds the frame,
// however late that comes: a busy machine can take seconds.
#pragma once

#include <QMargins>
#include <QPoint>
#include <QSize>

namespace cepui {

// The window is centred again whenever its frame's size changes, until
// someone moves or resizes it once the frame is there: that is the user, and
// the user's place for the window stands. Before the frame is known a move
// is the window manager's own placement, which the frame will correct.
class FrameCentring
{
public:
    // The window was just centred: at `at` (its frame's corner), `size`, with a frame of `margins`.
    void centred(QPoint at, QSize size, QMargins margins)
    {
        keeping_ = true;
        at_ = at;
        size_ = size;
        margins_ = margins;
    }

    // Looks at the window as it is now; true when it must be centred again.
    bool mustRecentre(QPoint at, QSize size, QMargins margins)
    {
        if (!keeping_)
            return false;
        if (margins != margins_)
            return true;
        if (!margins_.isNull() && (at != at_ || size != size_))
            keeping_ = false;
        return false;
    }

    bool keeping() const { return keeping_; }

private:
    bool keeping_ = false;
    QPoint at_;
    QSize size_;
    QMargins margins_;
};

} // namespace cepui
