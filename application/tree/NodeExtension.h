#pragma once
// A list of nodes that answers like a document root, so that walks written for a
// root (export, printing) accept a list of selected jobs.
#include "application/tree/Node.h"

#include <QList>

class QXmlStreamWriter;

namespace NodeExtension {

// Always 4, the type of a document root.
int type(const QList<NodePtr> &nodes);
qsizetype childrenCount(const QList<NodePtr> &nodes);
QList<NodePtr> childEnumerator(const QList<NodePtr> &nodes);
// A "document" element (the attributes of a fresh root: both dates the time of
// writing, empty name and description, zero sums, "no" flags) holding the listed
// nodes with their subtrees, filtered by the flags.
void nodeTreeAsXMLElementTreeWithFlags(const QList<NodePtr> &nodes, QXmlStreamWriter &writer, int flags);

} // namespace NodeExtension
