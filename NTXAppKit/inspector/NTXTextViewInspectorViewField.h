#pragma once
// A field whose value a control shows: any view, which the inspector places in its
// text; also the separator line. A control with an editable cell (or a Qt input
// widget that is not read-only) makes the field editable.
// Ownership: the field owns its view until a parent widget takes it. Threads: GUI
// thread only.
#include "NTXAppKit/inspector/NTXTextViewInspectorField.h"

#include <QPointer>
#include <QWidget>

class NTXTextViewInspectorViewField : public NTXTextViewInspectorField
{
    Q_OBJECT
public:
    NTXTextViewInspectorViewField(const QString &identifier, QWidget *view, const QString &placeholder,
                                  const NTXTextViewInspectorFieldLabelPtr &label);
    NTXTextViewInspectorViewField(const QString &identifier, const QString &placeholder,
                                  const NTXTextViewInspectorFieldLabelPtr &label);
    ~NTXTextViewInspectorViewField() override;

    static std::shared_ptr<NTXTextViewInspectorViewField> viewFieldWithIdentifier(const QString &identifier, QWidget *view,
                                                                                  const NTXTextViewInspectorFieldLabelPtr &label);
    // A horizontal line 100 by 1 points in the palette's mid colour, resizable in
    // width, with a new time stamp (or the given text) as identifier.
    static std::shared_ptr<NTXTextViewInspectorViewField> separatorField();
    static std::shared_ptr<NTXTextViewInspectorViewField> separatorFieldWithIdentifier(const QString &identifier);
    // The control for a new field of this class: none for a plain view field.
    static QWidget *viewForField(NTXTextViewInspectorViewField *field);

    std::shared_ptr<NTXTextViewInspectorField> copy() const override;

    QWidget *view() const { return m_view; }
    void setView(QWidget *view);
    bool viewShouldAlwaysBeVisible() const { return m_viewShouldAlwaysBeVisible; }
    void setViewShouldAlwaysBeVisible(bool visible) { m_viewShouldAlwaysBeVisible = visible; }
    bool viewShouldNotShowAtAttachmentPosition() const { return m_viewShouldNotShowAtAttachmentPosition; }
    void setViewShouldNotShowAtAttachmentPosition(bool notShown) { m_viewShouldNotShowAtAttachmentPosition = notShown; }
    bool viewWidthShouldBeAdjusted() const { return m_viewWidthShouldBeAdjusted; }
    void setViewWidthShouldBeAdjusted(bool adjusted) { m_viewWidthShouldBeAdjusted = adjusted; }

    // The key "isEnabled": the flag and the control's enabled state.
    void setEnabled(bool enabled) override;
    // Also the view's delegate when the view takes one (an invokable setDelegate(QObject*)).
    void setDelegate(QObject *delegate) override;
    bool shouldBeVisibleWithEditableState(bool editable) const override;

    // Whether a view is a control the user edits.
    static bool isEditableControl(const QWidget *view);
    // Set on a view that an inspector took out of a removed list row and gives back
    // (parentless) on the next pass of the event loop, not at once: giving a control
    // back walks every widget of the window. Its field deletes such a view as one
    // without a parent, so that a row that goes at once takes its control along.
    static constexpr const char *GivenBackLaterProperty = "ntxInspectorGivesBackLater";
    // The view is its field's alone: without a parent, or waiting to be given back.
    static bool isOwnedByField(const QWidget *view);

protected:
    void copyViewStateTo(NTXTextViewInspectorViewField &copy) const;

private:
    QPointer<QWidget> m_view;
    bool m_viewShouldAlwaysBeVisible = false;
    bool m_viewShouldNotShowAtAttachmentPosition = false;
    bool m_viewWidthShouldBeAdjusted = false;
};
