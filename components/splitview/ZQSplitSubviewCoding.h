#pragma once
// The archive object of a split view pane. Panes are widgets that their split view
// owns, so a split view's archive lists these small objects under "subviews": made
// for an existing pane one writes that pane's keys (a nested split view's with its
// own panes); made by the unarchiver it reads a new pane (or split view, by the class
// name written: "ZQSplitSubview" or "ZQSplitView") and hands it over with takePane().
//
// Ownership: a decoded pane is owned here until takePane(), and deleted with this
// object when nobody took it. Made for an existing pane it owns nothing (the pointer
// is cleared when the pane goes).
// Threads: GUI thread only (it makes widgets).
// Failures: only keyed coders; a pane that can't be read (see ZQSplitSubview and
// ZQSplitView::fromCoder) makes the object read as none and fails the coder.
#include "platform/archive/Coding.h"

#include <QPointer>
#include <memory>

class ZQSplitSubview;

class ZQSplitSubviewCoding : public platform::Coding
{
public:
    enum class Kind { Pane, SplitView };

    // For the unarchiver: reads a pane of the kind.
    explicit ZQSplitSubviewCoding(Kind kind);
    // The archive object of an existing pane.
    explicit ZQSplitSubviewCoding(ZQSplitSubview *pane);
    ~ZQSplitSubviewCoding() override;

    ZQSplitSubview *pane() const { return m_pane; }
    // The decoded pane, once; null unless a decode succeeded.
    std::unique_ptr<ZQSplitSubview> takePane();

    QString classNameForCoder() const override;
    void encodeWithCoder(platform::Coder &coder) const override;
    bool initWithCoder(platform::Coder &coder) override;

private:
    Kind m_kind;
    QPointer<ZQSplitSubview> m_pane;
    std::unique_ptr<ZQSplitSubview> m_owned;
};
