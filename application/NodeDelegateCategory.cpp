// What the document root reports to its document.
#include "application/MyDocument.h"

platform::UndoManager *MyDocument::undoManagerForNode(Node &)
{
    return undoManager();
}

void MyDocument::attributesChangedOfNode(Node &node)
{
    m_outlineModel->reloadItem(&node);
    updateChangeCount(ChangeType::Done);
}
