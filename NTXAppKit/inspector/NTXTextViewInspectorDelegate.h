#pragma once
// What an inspector tells its delegate (a QObject that also derives from this class;
// a delegate that does not is sent nothing). Every call does nothing by default.
// Threads: GUI thread.
class NTXTextViewInspector;
class NTXTextViewInspectorField;

class NTXTextViewInspectorDelegate
{
public:
    virtual ~NTXTextViewInspectorDelegate();

    // The user clicked a read-only inspector: the delegate may make it editable
    // (setEditableState(true)); the rebuild then jumps to the clicked field. Answers
    // whether the delegate takes the question at all.
    virtual bool delegateShouldChangeEditStateForTextViewInspector(NTXTextViewInspector *inspector);
    // An edit changed a text field's value, after the field took it and wrote it back.
    virtual void textViewInspectorDidChangedValueOfField(NTXTextViewInspector *inspector,
                                                         NTXTextViewInspectorField *field);
};
