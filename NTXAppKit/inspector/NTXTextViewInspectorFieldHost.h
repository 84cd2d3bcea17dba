#pragma once
// What a field asks of the inspector that shows it (a QObject that also derives
// from this class; another inspector object is asked nothing).
// Threads: GUI thread.
class NTXTextViewInspectorTextField;

class NTXTextViewInspectorFieldHost
{
public:
    virtual ~NTXTextViewInspectorFieldHost();

    // A text field's value changed: the inspector shows it anew.
    virtual void updateDisplayOfTextField(NTXTextViewInspectorTextField *field) = 0;
};
