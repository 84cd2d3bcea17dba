#pragma once
// What DocumentWindowController asks of its document besides what every collaborator
// is given (DocumentContext): the inspector's fields, which the document sets up once
// its window is loaded.
//
// Implemented by the document that owns the controller (MyDocument, privately); it
// outlives the controller. GUI thread only; the call re-enters the window's views.
// Nothing here throws beyond what the document's own operations throw.
class WindowControllerHost
{
public:
    // Adds the inspector's fields (the window's inspector).
    virtual void setupInspectorFields() = 0;

protected:
    ~WindowControllerHost() = default;
};
