#pragma once
// The application's preferences window: its controller (NTXPreferenceWindowController,
// one per process, autosaved as AppController::PreferenceWindowAutosaveName, in the
// style AppController::PreferenceWindowStyle) over the controller's defaults, with the
// application's four panes in the order of paneIdentifiers(), no configuration pane,
// not sorted by category, the general pane selected; the time-registration pane's
// recorder sends the recorded hot key to the application controller. Made by the
// launch's later work, or when the window is first shown.
//
// Owned by its AppController (through a unique_ptr); the preferences window controller
// lives on with the process (a controller made again takes it over). Destroying this
// object takes the hot key's target back from the time-registration pane. What making
// a pane throws (memory ran out) leaves make(), which keeps the controller only once
// every pane is in: a later make() completes it. GUI thread only.
#include <QStringList>

class AppController;
class NTXPreferenceWindowController;

class PreferenceWindowSetup
{
public:
    explicit PreferenceWindowSetup(AppController &controller);
    ~PreferenceWindowSetup();
    PreferenceWindowSetup(const PreferenceWindowSetup &) = delete;
    PreferenceWindowSetup &operator=(const PreferenceWindowSetup &) = delete;

    // The identifiers of the panes, in the order the window shows them.
    static const QStringList &paneIdentifiers();

    // The preferences window controller; null until make() completed it.
    NTXPreferenceWindowController *windowController() const { return m_windowController; }
    // Makes the preferences window controller and adds the panes it lacks.
    void make();
    // Makes the controller when there is none, shows its window and brings it forward.
    void show();

private:
    AppController &m_controller;
    NTXPreferenceWindowController *m_windowController = nullptr;
};
