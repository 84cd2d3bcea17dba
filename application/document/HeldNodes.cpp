// What an editor was opened for (see HeldNodes.h).
#include "application/document/HeldNodes.h"

#include "application/document/DocumentContext.h"
#include "application/document/DocumentOutlineModel.h"
#include "application/tree/NodeRelease.h"
#include "platform/document/Document.h"
#include "platform/document/DocumentAlert.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QLabel>

HeldNodes::HeldNodes(const DocumentContext &document, QList<NodePtr> nodes, QWidget *editor, QAbstractButton *ok)
    : QObject(editor)
    , m_document(document)
    , m_alive(&document.platformDocument())
    , m_nodes(std::move(nodes))
    , m_editor(editor)
    , m_ok(ok)
{
    m_nodes.removeAll(NodePtr());
    // Rows go and come with every way a node leaves the tree or comes back: an edit,
    // an undo or redo, a batch of them, a new tree read from the file.
    if (QAbstractItemModel *model = document.outlineModel()) {
        using platform::ExceptionBoundary;
        connect(model, &QAbstractItemModel::rowsRemoved, this, ExceptionBoundary::guarded(this, "rowsRemoved", &HeldNodes::look));
        connect(model, &QAbstractItemModel::rowsInserted, this, ExceptionBoundary::guarded(this, "rowsInserted", &HeldNodes::look));
        connect(model, &QAbstractItemModel::rowsMoved, this, ExceptionBoundary::guarded(this, "rowsMoved", &HeldNodes::look));
        connect(model, &QAbstractItemModel::modelReset, this, ExceptionBoundary::guarded(this, "modelReset", &HeldNodes::look));
        connect(model, &QAbstractItemModel::layoutChanged, this,
                ExceptionBoundary::guarded(this, "layoutChanged", &HeldNodes::look));
    }
    look();
}

HeldNodes::~HeldNodes()
{
    delete m_note.data();
    if (m_ok)
        m_ok->setEnabled(true);
    // The editor may be the last to hold a tree a revert replaced (the root, for an
    // editor of the whole tree).
    NodeRelease::release(std::move(m_nodes));
}

NodePtr HeldNodes::firstGone() const
{
    const Node *root = m_alive ? m_document.jobList().get() : nullptr;
    for (const NodePtr &node : m_nodes) {
        if (!root || node->documentRoot() != root)
            return node;
    }
    return root ? NodePtr() : m_nodes.value(0);
}

bool HeldNodes::present() const
{
    return m_alive && !m_nodes.isEmpty() && !firstGone();
}

void HeldNodes::look()
{
    const NodePtr gone = m_nodes.isEmpty() ? NodePtr() : firstGone();
    if (m_ok)
        m_ok->setEnabled(!gone && present());
    if (!gone && !m_note)
        return;
    if (!m_note && m_editor) {
        m_note = new QLabel(m_editor);
        m_note->setObjectName(QStringLiteral("heldNodesGone"));
        m_note->setWordWrap(true);
        if (auto *box = qobject_cast<QBoxLayout *>(m_editor->layout()))
            box->insertWidget(0, m_note);
    }
    if (!m_note)
        return;
    if (gone) {
        // The root stands for the document as it was: it was read again from its file.
        const bool root = gone->type() == Node::Root;
        QString text = platform::localized(root ? QStringLiteral("LSEditedTreeGone") : QStringLiteral("LSEditedNodeGone"));
        if (!root)
            text.replace(QStringLiteral("%@"), platform::DocumentAlert::quotedName(gone->itemName()));
        m_note->setText(text);
    }
    m_note->setVisible(bool(gone));
}
