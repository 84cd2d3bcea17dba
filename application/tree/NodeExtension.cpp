#include "application/tree/NodeExtension.h"

#include <QXmlStreamWriter>

namespace NodeExtension {

int type(const QList<NodePtr> &)
{
    return Node::Root;
}

qsizetype childrenCount(const QList<NodePtr> &nodes)
{
    return nodes.size();
}

QList<NodePtr> childEnumerator(const QList<NodePtr> &nodes)
{
    return nodes;
}

void nodeTreeAsXMLElementTreeWithFlags(const QList<NodePtr> &nodes, QXmlStreamWriter &writer, int flags)
{
    // The fresh root only lends its element; the listed nodes keep their parents,
    // and each of them is written whatever its type.
    const NodePtr root = Node::create(Node::Root);
    root->writeStartElementWithAttributes(writer);
    for (const NodePtr &node : nodes)
        if (node)
            node->addNodesAsXMLElementTreeToXMLElement(writer, flags);
    writer.writeEndElement();
}

} // namespace NodeExtension
