#include "platform/drawing/ActionDispatch.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

namespace {

class Responder : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
    QStringList received;
    QObject *lastSender = nullptr;

    Q_INVOKABLE void duplicate(QObject *sender)
    {
        received << QStringLiteral("duplicate");
        lastSender = sender;
    }
    Q_INVOKABLE void refresh() { received << QStringLiteral("refresh"); }
    // Not an action: the wrong argument type.
    Q_INVOKABLE void paste(int) { received << QStringLiteral("paste"); }
};

class Controller : public QObject
{
    Q_OBJECT
public:
    QStringList received;
    Q_INVOKABLE void newJob(QObject *) { received << QStringLiteral("newJob"); }
    Q_INVOKABLE void duplicate(QObject *) { received << QStringLiteral("controller duplicate"); }
};

struct ResponderReset
{
    ~ResponderReset() { platform::setApplicationResponders(nullptr); }
};

} // namespace

TEST(ActionDispatch, RespondsToLooksUpInvokableMethods)
{
    Responder r;
    EXPECT_TRUE(platform::respondsTo(&r, "duplicate:"));
    EXPECT_TRUE(platform::respondsTo(&r, "duplicate"));
    EXPECT_TRUE(platform::respondsTo(&r, "refresh:"));
    EXPECT_FALSE(platform::respondsTo(&r, "paste:"));
    EXPECT_FALSE(platform::respondsTo(&r, "cut:"));
    EXPECT_FALSE(platform::respondsTo(&r, ""));
    EXPECT_FALSE(platform::respondsTo(&r, nullptr));
    EXPECT_FALSE(platform::respondsTo(nullptr, "duplicate:"));
}

TEST(ActionDispatch, AGivenTargetReceivesTheActionWithTheSender)
{
    Responder r;
    QObject sender;
    EXPECT_TRUE(platform::sendAction("duplicate:", &r, &sender));
    EXPECT_EQ(r.lastSender, &sender);
    EXPECT_TRUE(platform::sendAction("refresh:", &r, &sender));
    EXPECT_EQ(r.received, QStringList({QStringLiteral("duplicate"), QStringLiteral("refresh")}));
    // A target that does not respond: nobody else is asked.
    EXPECT_FALSE(platform::sendAction("cut:", &r, &sender));
}

TEST(ActionDispatch, WithoutTargetTheResponderChainIsWalked)
{
    ResponderReset reset;
    Controller controller;
    platform::setApplicationResponders([&] { return QList<QObject *>{&controller}; });

    Responder window;
    auto *layout = new QVBoxLayout(&window);
    auto *panel = new Responder;
    auto *field = new QLineEdit;
    auto *inner = new QWidget(panel);
    new QVBoxLayout(panel);
    panel->layout()->addWidget(inner);
    auto *innerLayout = new QVBoxLayout(inner);
    innerLayout->addWidget(field);
    layout->addWidget(panel);
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    field->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == field; }));

    const QList<QObject *> chain = platform::responderChain();
    ASSERT_GE(chain.size(), 5);
    EXPECT_EQ(chain.at(0), field);
    EXPECT_EQ(chain.at(1), inner);
    EXPECT_EQ(chain.at(2), panel);
    EXPECT_EQ(chain.at(3), &window);
    EXPECT_EQ(chain.at(4), &controller);

    // The nearest responder takes it (the line edit's own copy() slot counts too).
    EXPECT_EQ(platform::targetForAction("copy:"), field);
    EXPECT_EQ(platform::targetForAction("duplicate:"), panel);
    EXPECT_TRUE(platform::sendAction("duplicate:", nullptr, field));
    EXPECT_EQ(panel->received, QStringList{QStringLiteral("duplicate")});
    EXPECT_TRUE(window.received.isEmpty());
    EXPECT_TRUE(controller.received.isEmpty());

    // Only the application's responders answer this one.
    EXPECT_TRUE(platform::sendAction("newJob:", nullptr, nullptr));
    EXPECT_EQ(controller.received, QStringList{QStringLiteral("newJob")});

    EXPECT_FALSE(platform::sendAction("noSuchAction:", nullptr, nullptr));
    window.close();
}

#include "TestActionDispatch.moc"
