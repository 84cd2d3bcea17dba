// Widget helpers: bringing to front, descendants of a class, overlays, text fields, fonts.
#include "AppKitExtensions/NTXNSFont_Extension.h"
#include "AppKitExtensions/NTXNSTextFieldExtension.h"
#include "AppKitExtensions/NTXNSViewExtension.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace NTXNSViewExtension;

namespace {

class OverlayProbe : public QWidget
{
    Q_OBJECT
public:
    QStringList hooks;
    Q_INVOKABLE void viewWillBecomeOverlay() { hooks.append(QStringLiteral("willBecome:") + parentName()); }
    Q_INVOKABLE void viewDidBecomeOverlay() { hooks.append(QStringLiteral("didBecome")); }
    Q_INVOKABLE void viewWillResignOverlay() { hooks.append(QStringLiteral("willResign")); }
    Q_INVOKABLE void viewDidResignOverlay() { hooks.append(QStringLiteral("didResign")); }

private:
    QString parentName() const { return parentWidget() ? parentWidget()->objectName() : QStringLiteral("none"); }
};

QList<QWidget *> childWidgets(const QWidget *parent)
{
    QList<QWidget *> widgets;
    for (QObject *child : parent->children())
        if (auto *w = qobject_cast<QWidget *>(child))
            widgets.append(w);
    return widgets;
}

} // namespace

TEST(ViewExtension, BringToFrontKeepsTheOthersInOrder)
{
    QWidget parent;
    auto *a = new QWidget(&parent);
    auto *b = new QWidget(&parent);
    auto *c = new QWidget(&parent);
    bwBringToFront(a);
    EXPECT_EQ(childWidgets(&parent), (QList<QWidget *>{b, c, a}));
    bwBringToFront(a);
    EXPECT_EQ(childWidgets(&parent), (QList<QWidget *>{b, c, a})) << "already in front: unchanged";
    bwBringToFront(nullptr);
    EXPECT_EQ(NTXCompareViewsForFront(a, b, a), 1);
    EXPECT_EQ(NTXCompareViewsForFront(b, a, a), -1);
    EXPECT_EQ(NTXCompareViewsForFront(b, c, a), 0);
}

TEST(ViewExtension, DescendantsDepthFirstAndByClass)
{
    QWidget root;
    auto *panel = new QWidget(&root);
    auto *inner = new QCheckBox(panel);
    auto *label = new QLabel(panel);
    auto *button = new QPushButton(&root);
    EXPECT_EQ(descendantsKindOfClass(&root, nullptr), (QList<QWidget *>{panel, inner, label, button}));
    EXPECT_EQ(descendantsKindOfClass<QAbstractButton>(&root), (QList<QWidget *>{inner, button}))
        << "a match inside a non-matching widget is found";
    EXPECT_TRUE(descendantsKindOfClass(nullptr, nullptr).isEmpty());
    EXPECT_TRUE(descendantsKindOfClass<QLineEdit>(&root).isEmpty());
}

TEST(ViewExtension, OverlayGoesDirectlyAboveOrBelowAndIsTold)
{
    QWidget parent;
    parent.setObjectName(QStringLiteral("parent"));
    auto *a = new QWidget(&parent);
    auto *view = new QWidget(&parent);
    auto *c = new QWidget(&parent);
    parent.show();
    auto *above = new OverlayProbe;
    addOverlayView(view, above, 1);
    EXPECT_EQ(childWidgets(&parent), (QList<QWidget *>{a, view, above, c}));
    EXPECT_EQ(above->hooks, (QStringList{"willBecome:none", "didBecome"}));
    EXPECT_TRUE(above->isVisible());

    for (int order : {0, -1}) {
        auto *below = new OverlayProbe;
        addOverlayView(view, below, order, true);
        const QList<QWidget *> order1 = childWidgets(&parent);
        EXPECT_EQ(order1.indexOf(below) + 1, order1.indexOf(view)) << "order " << order;
    }
    EXPECT_EQ(adjustedFrameForOverlay(view, above), view->geometry());

    // the fade finishes and the overlay keeps no effect
    EXPECT_TRUE(QTest::qWaitFor([above]() { return above->graphicsEffect() == nullptr; }, 3000));

    removeOverlayView(above);
    EXPECT_EQ(above->hooks.mid(2), (QStringList{"willResign", "didResign"}));
    EXPECT_TRUE(QTest::qWaitFor([above]() { return above->parentWidget() == nullptr; }, 3000));
    EXPECT_FALSE(above->isVisible());
    delete above;
}

TEST(ViewExtension, OverlayOfAViewWithoutParent)
{
    QWidget lonely;
    OverlayProbe overlay;
    addOverlayView(&lonely, &overlay, 1);
    EXPECT_EQ(overlay.parentWidget(), nullptr);
    EXPECT_EQ(overlay.hooks.size(), 2);
}

TEST(TextFieldExtension, MarkSetsColourFontAndKeepsAlignment)
{
    QLineEdit field(QStringLiteral("12:30"));
    field.setAlignment(Qt::AlignRight);
    field.setAttribute(Qt::WA_MacSmallSize);
    NTXNSTextFieldExtension::markTextField(&field, Qt::red);
    EXPECT_EQ(field.palette().color(QPalette::Text), QColor(Qt::red));
    EXPECT_EQ(field.alignment(), Qt::AlignRight);
    EXPECT_EQ(field.text(), QStringLiteral("12:30"));
    EXPECT_LT(field.font().pointSizeF(), QApplication::font().pointSizeF());

    QLabel label(QStringLiteral("Total"));
    NTXNSTextFieldExtension::markTextField(&label, Qt::blue);
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(Qt::blue));
    EXPECT_EQ(label.font().pointSizeF(), QApplication::font().pointSizeF());
    NTXNSTextFieldExtension::markTextField(static_cast<QLabel *>(nullptr), Qt::blue);
}

TEST(FontExtension, FullDisplayNameIsFamilyAndStyle)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const QString family = QFontInfo(font).family();
    const QString name = NTXNSFont_Extension::fullDisplayName(font);
    EXPECT_TRUE(name.startsWith(family));
    EXPECT_EQ(name, name.trimmed());
    font.setBold(true);
    const QString bold = NTXNSFont_Extension::fullDisplayName(font);
    EXPECT_TRUE(bold.startsWith(family));
    if (QFontDatabase::styles(family).contains(QStringLiteral("Bold"))) {
        EXPECT_EQ(bold, family + QStringLiteral(" Bold"));
    }
}

#include "TestViewExtension.moc"
