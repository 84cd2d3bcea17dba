#include "NTXAppKit/preferences/NTXViewController.h"

NTXViewController::NTXViewController(QObject *parent)
    : QObject(parent)
{
}

NTXViewController::~NTXViewController()
{
    if (m_view && !m_view->parentWidget())
        delete m_view.data();
}

QWidget *NTXViewController::view()
{
    if (!m_view)
        loadView();
    return m_view;
}

void NTXViewController::setView(QWidget *view)
{
    m_view = view;
}

void NTXViewController::loadView()
{
    viewWillLoad();
    setView(createView());
    viewDidLoad();
}

void NTXViewController::viewWillLoad() {}

void NTXViewController::viewDidLoad() {}

QWidget *NTXViewController::createView()
{
    return new QWidget;
}
