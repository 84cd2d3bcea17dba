#include "platform/document/OpenEdits.h"

#include <QPointer>
#include <QWidget>

namespace platform {

OpenEdits &OpenEdits::shared()
{
    static OpenEdits *list = new OpenEdits; // never freed: editors may outlive static teardown
    return *list;
}

OpenEdits::Editor::Editor()
{
    shared().m_editors.append(this);
}

OpenEdits::Editor::~Editor()
{
    shared().m_editors.removeOne(this);
}

void OpenEdits::noteChanged(const Editor *editor)
{
    if (!editor)
        return;
    if (QWidget *widget = editor->editorWidget())
        Q_EMIT shared().editChanged(widget);
}

bool OpenEdits::isInWindow(const QWidget *widget, const QWidget *window)
{
    if (!window)
        return false;
    // parentWidget() goes on past a window to the window that owns it.
    for (const QWidget *at = widget; at; at = at->parentWidget())
        if (at == window)
            return true;
    return false;
}

bool OpenEdits::hasChangedEdits(const QWidget *window)
{
    if (!window)
        return false;
    for (const Editor *editor : std::as_const(shared().m_editors))
        if (isInWindow(editor->editorWidget(), window) && editor->hasChangedEdit())
            return true;
    return false;
}

bool OpenEdits::commitAll(const QWidget *window, QString *refusal)
{
    if (!window)
        return true;
    // A commit sets observers off, which may make or remove editors: the ones of now
    // are asked, those still there when their turn comes.
    const QList<Editor *> editors = shared().m_editors;
    for (Editor *editor : editors) {
        if (!shared().m_editors.contains(editor))
            continue;
        if (!isInWindow(editor->editorWidget(), window) || !editor->hasChangedEdit())
            continue;
        QString reason;
        if (!editor->commitEdit(&reason)) {
            if (refusal)
                *refusal = reason;
            return false;
        }
    }
    return true;
}

} // namespace platform
