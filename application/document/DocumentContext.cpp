// What a document's collaborators are given of it (see DocumentContext.h).
#include "application/document/DocumentContext.h"

#include "application/document/DocumentOutlineModel.h"
#include "application/document/DocumentWindow.h"
#include "platform/document/Document.h"
#include "platform/document/DocumentController.h"
#include "platform/foundation/UserDefaults.h"

DocumentContext::DocumentContext(platform::Document &document, DocumentServices &services, const NodePtr &jobList,
                                 const CurrencyFormatter &formatter)
    : m_document(document)
    , m_services(services)
    , m_jobList(jobList)
    , m_formatter(formatter)
{
}

void DocumentContext::setWindow(DocumentWindow *window) { m_window = window; }
void DocumentContext::setOutlineModel(DocumentOutlineModel *model) { m_outlineModel = model; }

platform::UserDefaults &DocumentContext::userDefaults() const
{
    if (platform::DocumentController *controller = m_document.documentController())
        return *controller->userDefaults();
    return platform::UserDefaults::standardUserDefaults();
}

DocumentWindow *DocumentContext::documentWindow() const { return m_window.data(); }

QTreeView *DocumentContext::outlineView() const { return m_window ? m_window->outlineView() : nullptr; }

DocumentOutlineModel *DocumentContext::outlineModel() const { return m_outlineModel.data(); }

void DocumentContext::setActiveJob(const NodePtr &job) const
{
    if (NodePtr current = activeJob())
        current->setActive(false);
    if (job)
        job->setActive(true);
    displayActivatedJob();
}

bool DocumentContext::isJobMemberOfDocument(const Node *job) const
{
    return job && m_jobList->nodeIsMemberOfTree(job);
}

bool DocumentContext::holdsJob() const
{
    QList<NodePtr> jobs;
    m_jobList->fillArrayWithJobNodes(jobs);
    return !jobs.isEmpty();
}
