#pragma once
// The preferences window's delegate. Every operation has a default that behaves as
// if the delegate did not answer it.
#include <QString>

class NTXPreferenceWindowDelegate
{
public:
    virtual ~NTXPreferenceWindowDelegate() = default;

    // A pane is added only when this answers true.
    virtual bool shouldLoadPreferencePane(const QString &identifier) { return true; }
    // After a plug-in pane was added.
    virtual void didLoadPreferencePane(const QString &identifier) {}
    // Before a pane is shown.
    virtual void willSelectPreferencePane(const QString &identifier) {}
    // After another pane or the icon grid replaced the pane that was shown.
    virtual void didUnselectPreferencePane(const QString &identifier) {}
    // Replaces a pane's category in the window's category queries.
    virtual QString categoryForPreferencePane(const QString &identifier, const QString &defaultCategory)
    {
        return defaultCategory;
    }
    // The shown name of a category; a null string falls back to the pane's own.
    virtual QString displayNameForCategory(const QString &category) { return QString(); }
};
