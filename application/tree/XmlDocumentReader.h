#pragma once
// One document read from a token source with the calls of QXmlStreamReader it needs:
// the XML library's reader (DocumentFileFormat::readXmlWithLibrary) or the tokens of
// the writer's form (WrittenFormTokens, DocumentFileFormat::readWrittenForm). Both
// go through the same checks of the document's bounds on nesting, element count and
// attribute length, and build the same tree.
//
// Everything is built aside and handed out only when the whole input parsed: a
// refusal leaves the caller's result untouched. Ownership: the token source is not
// owned and must outlive the reader. Not thread-safe; one instance per read.
#include "application/tree/DocumentFileFormat.h"
#include "application/tree/DocumentValuesStore.h"
#include "application/tree/Node.h"
#include "application/tree/TableColumnData.h"
#include "application/tree/WrittenFormTokens.h"
#include "application/tree/XmlMarkupGuardDevice.h"

#include "platform/foundation/Clock.h"

#include <QDateTime>
#include <QList>
#include <QXmlStreamReader>

#include <memory>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

// The bounds of the markup guard in front of both readers.
inline XmlMarkupGuardDevice::Bounds documentMarkupBounds()
{
    XmlMarkupGuardDevice::Bounds bounds;
    bounds.attributesPerTag = DocumentFileFormat::MaximumAttributesPerElement;
    bounds.attributeLength = DocumentFileFormat::MaximumAttributeLength;
    bounds.tagTextLength = DocumentFileFormat::MaximumTagTextLength;
    bounds.referencesPerTag = DocumentFileFormat::MaximumReferencesPerTag;
    bounds.textLength = DocumentFileFormat::MaximumTextLength;
    bounds.whitespaceLength = DocumentFileFormat::MaximumWhitespaceLength;
    bounds.tagLength = DocumentFileFormat::MaximumTagLength;
    return bounds;
}

template<typename Xml>
class XmlDocumentReader
{
public:
    explicit XmlDocumentReader(Xml &xml) : m_xml(xml), m_now(platform::Clock::now()) {}

    // The tree's parents set, running entries closed and sums computed, and a root
    // made when the document has none.
    bool read(DocumentFileFormat::ReadResult &out)
    {
        if (!nextStartElementAtTop())
            return false;
        if (m_xml.qualifiedName() != u"Chronark" || !attributesAcceptable())
            return false;

        NodePtr root;
        std::optional<DocumentValuesStore> store;
        int depth = 1;
        while (!m_xml.atEnd()) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            if (token == QXmlStreamReader::StartElement) {
                if (!acceptElement(depth + 1))
                    return false;
                const QStringView name = m_xml.qualifiedName();
                // The last "document" and the last "documentValues" count.
                if (name == u"document") {
                    root = readNodeTree(depth + 1);
                    if (!root)
                        return false;
                } else if (name == u"documentValues") {
                    DocumentValuesStore s;
                    if (!readStore(s, depth + 1))
                        return false;
                    store = std::move(s);
                } else if (!skipElement(depth + 1)) {
                    return false;
                }
            } else if (token == QXmlStreamReader::EndElement) {
                break; // end of "Chronark"
            } else if (token == QXmlStreamReader::Invalid) {
                return false;
            }
        }
        // The rest must parse too.
        while (!m_xml.atEnd())
            m_xml.readNext();
        if (m_xml.hasError())
            return false;

        if (!root)
            root = Node::create(Node::Root, m_now);
        root->setAllParentValues();
        root->deactivedTimeNodeForTree();
        root->recalcWorkTimeForTree();
        out.root = std::move(root);
        out.store = store ? std::move(*store) : DocumentValuesStore();
        return true;
    }

private:
    static constexpr bool Direct = std::is_same_v<Xml, WrittenFormTokens>;

    // Every attribute within the length bound and named as XML names things (the XML
    // library checks the names of elements, not those of attributes). The direct
    // reader's tokens never hold a value past the bound (the tag is left to the
    // library, or the guard refuses it), nor a name of anything but ASCII letters.
    bool attributesAcceptable()
    {
        if constexpr (!Direct) {
            for (const QXmlStreamAttribute &a : m_xml.attributes())
                if (a.value().size() > DocumentFileFormat::MaximumAttributeLength
                    || !DocumentFileFormat::isXmlName(a.qualifiedName()))
                    return false;
        }
        return true;
    }

    // Every element below the root passes here: bounds on nesting, count and
    // attribute length, and the attributes' names.
    bool acceptElement(int elementDepth)
    {
        if (elementDepth > DocumentFileFormat::MaximumDepth)
            return false;
        if (++m_elements > DocumentFileFormat::MaximumElementCount)
            return false;
        return attributesAcceptable();
    }

    // The prolog: no document type declaration, no encoding but UTF-8.
    bool nextStartElementAtTop()
    {
        while (!m_xml.atEnd()) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            if (token == QXmlStreamReader::StartElement)
                return true;
            if (token == QXmlStreamReader::Invalid || token == QXmlStreamReader::DTD)
                return false;
            if (token == QXmlStreamReader::StartDocument) {
                const QStringView encoding = m_xml.documentEncoding();
                if (!encoding.isEmpty() && encoding.compare(u"UTF-8", Qt::CaseInsensitive) != 0)
                    return false;
            }
        }
        return false;
    }

    // Reader positioned on a node element at the given depth; answers the node with
    // its subtree, none on any error. The library's reader appends each node before
    // filling it, like every node of a tree; the direct reader builds nodes nothing
    // observes yet, so each node's children are gathered and handed to it at its end
    // tag, in one list of their number.
    NodePtr readNodeTree(int depth)
    {
        NodePtr top = makeNode();
        std::vector<Node *> stack{top.get()};
        // The children read so far of each node on the stack, by its level.
        std::vector<std::vector<NodePtr>> gathered(1);
        while (!m_xml.atEnd()) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            if (token == QXmlStreamReader::StartElement) {
                if (!acceptElement(depth + int(stack.size())))
                    return NodePtr();
                NodePtr child = std::make_shared<Node>(m_now);
                if constexpr (!Direct)
                    stack.back()->addChild(child);
                fill(*child);
                stack.push_back(child.get());
                if constexpr (Direct) {
                    gathered[stack.size() - 2].push_back(std::move(child));
                    if (gathered.size() < stack.size())
                        gathered.emplace_back();
                }
            } else if (token == QXmlStreamReader::EndElement) {
                if constexpr (Direct)
                    stack.back()->adoptChildrenWhileReading(gathered[stack.size() - 1]);
                stack.pop_back();
                if (stack.empty())
                    return top;
            } else if (token == QXmlStreamReader::Invalid) {
                return NodePtr();
            }
        }
        return NodePtr();
    }

    NodePtr makeNode()
    {
        NodePtr node = std::make_shared<Node>(m_now);
        fill(*node);
        return node;
    }

    void fill(Node &node)
    {
        if constexpr (Direct) {
            // A node of a tree being built aside: nothing observes it yet.
            node.fillNewNodeWithXMLElement(m_xml.nodeType(), m_xml.attributeViews(), m_xml.attributeCount());
        } else {
            node.setType(Node::intTypeForXMLTypeName(m_xml.qualifiedName()));
            node.fillNodeWithXMLElementAttributes(m_xml.attributes());
        }
    }

    bool readStore(DocumentValuesStore &store, int depth)
    {
        store.fillWithXMLElementAttributes(m_xml.attributes());
        // The columns come from the children of the last child element.
        QList<TableColumnData> columns;
        int level = 0; // 0 inside documentValues, 1 inside a child, 2+ deeper
        while (!m_xml.atEnd()) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            if (token == QXmlStreamReader::StartElement) {
                if (!acceptElement(depth + level + 1))
                    return false;
                if (level == 0)
                    columns.clear();
                else if (level == 1)
                    columns.append(TableColumnData::fromXMLElementAttributes(m_xml.attributes()));
                ++level;
            } else if (token == QXmlStreamReader::EndElement) {
                if (level == 0) {
                    store.setTableColumnArray(columns);
                    return true;
                }
                --level;
            } else if (token == QXmlStreamReader::Invalid) {
                return false;
            }
        }
        return false;
    }

    bool skipElement(int depth)
    {
        int level = 0;
        while (!m_xml.atEnd()) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            if (token == QXmlStreamReader::StartElement) {
                if (!acceptElement(depth + level + 1))
                    return false;
                ++level;
            } else if (token == QXmlStreamReader::EndElement) {
                if (level == 0)
                    return true;
                --level;
            } else if (token == QXmlStreamReader::Invalid) {
                return false;
            }
        }
        return false;
    }

    Xml &m_xml;
    QDateTime m_now;
    qint64 m_elements = 0;
};
