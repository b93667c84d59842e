#pragma once

#include "model/DecoderConfiguration.h"
#include "support/FakeMessageBoxes.h"
#include "ui/EditingState.h"
#include "ui/SettingsPanel.h"
#include "ui/UserCodeGrid.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

// A window laid out like the main window's form panel, holding only what the settings panel
// and the grid need around them: the Get and Send buttons, the three group boxes and the
// output 2 menu item.
class TPanelGridHost : public QWidget {
public:
  TPanelGridHost() {
    setFixedSize(692, 481);
    FormPanel = new QWidget(this);
    FormPanel->setObjectName("FormPanel");
    FormPanel->setGeometry(0, 0, 692, 481);
    GetButton = Button("GetButton", "&Get Settings && Users", 4, 4);
    SendButton = Button("SendButton", "&Send Settings && Users", 4, 35);
    SendSettingsButton = Button("SendSettingsButton", "Send Settings Only", 134, 35);
    SendUsersButton = Button("SendUsersButton", "Send Users Only", 264, 35);
    OutputGroup = Group("OutputSettingsGroupBox", "&Output Settings", QRect(3, 66, 358, 272));
    Series3Group = Group("Series3GroupBox", "Series &3 Options", QRect(4, 337, 358, 120));
    CodesGroup = Group("CodesGroupBox", "Co&des", QRect(367, 65, 321, 392));
    SetOP2MenuItem = new QAction("Set all Output &2 to", this);
    Grid = std::make_unique<TUserCodeGrid>(CodesGroup, Config, State);
    Panel = std::make_unique<TSettingsPanel>(FormPanel, OutputGroup, Series3Group, Config, State, *Grid,
                                             TPanelHooks{SendButton, SendSettingsButton, SetOP2MenuItem});
    ArrangeTabOrder();
  }

  template <class T = QWidget> T *Control(const QString &name) const {
    T *control = findChild<T *>(name);
    EXPECT_NE(control, nullptr) << name.toStdString();
    return control;
  }

  TDecoderConfiguration Config;
  TEditingState State;
  QWidget *FormPanel = nullptr;
  QPushButton *GetButton = nullptr;
  QPushButton *SendButton = nullptr;
  QPushButton *SendSettingsButton = nullptr;
  QPushButton *SendUsersButton = nullptr;
  QGroupBox *OutputGroup = nullptr;
  QGroupBox *Series3Group = nullptr;
  QGroupBox *CodesGroup = nullptr;
  QAction *SetOP2MenuItem = nullptr;
  std::unique_ptr<TUserCodeGrid> Grid;
  std::unique_ptr<TSettingsPanel> Panel;

private:
  // As the main window does: buttons, identity controls, then each group's controls in the
  // order the parts gave them.
  void ArrangeTabOrder() {
    std::vector<QWidget *> order{GetButton, SendButton, SendSettingsButton, SendUsersButton};
    for (const char *name : {"DecoderType", "DecoderSeries", "ManagementCode"})
      order.push_back(findChild<QWidget *>(name));
    for (QGroupBox *group : {OutputGroup, Series3Group, CodesGroup})
      for (QWidget *w = group->nextInFocusChain(); w != group; w = w->nextInFocusChain())
        if (group->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) &&
            std::find(order.begin(), order.end(), w) == order.end())
          order.push_back(w);
    for (std::size_t i = 1; i < order.size(); ++i)
      QWidget::setTabOrder(order[i - 1], order[i]);
  }

  QPushButton *Button(const char *name, const char *caption, int left, int top) {
    auto *button = new QPushButton(caption, FormPanel);
    button->setObjectName(name);
    button->setGeometry(left, top, 117, 25);
    return button;
  }
  QGroupBox *Group(const char *name, const char *caption, const QRect &place) {
    auto *group = new QGroupBox(caption, FormPanel);
    group->setObjectName(name);
    group->setGeometry(place);
    return group;
  }
};

// The host shown and active, with recorded message boxes, and helpers that act through real
// key and mouse events.
class PanelGridTest : public ::testing::Test {
protected:
  void SetUp() override {
    Host.show();
    QApplication::setActiveWindow(&Host);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Host));
  }

  // Lets posted work run (a refused field takes the focus back once the focus change is over).
  static void Settle() { QCoreApplication::processEvents(); }

  QLineEdit *Code(int row) const {
    return Host.Control<QLineEdit>(QString("CodeEdit%1").arg(row, 2, 10, QChar('0')));
  }
  QComboBox *List(const QString &name) const { return Host.Control<QComboBox>(name); }
  QLineEdit *Edit(const QString &name) const { return Host.Control<QLineEdit>(name); }
  QScrollBar *Bar() const { return Host.Control<QScrollBar>("CodesScrollBar"); }
  QWidget *Focused() const { return QApplication::focusWidget(); }
  QString FocusedName() const { return Focused() ? Focused()->objectName() : QString(); }

  void FocusOn(QWidget *widget) {
    widget->setFocus(Qt::OtherFocusReason);
    Settle();
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(Focused(), key, modifiers);
    Settle();
  }
  void Type(const QString &text) {
    QTest::keyClicks(Focused(), text);
    Settle();
  }
  // Picks an entry of a drop-down list with the keyboard, as a user would.
  void Choose(const QString &listName, int index) {
    QComboBox *list = List(listName);
    FocusOn(list);
    QTest::keyClick(list, Qt::Key_Home);
    for (int i = 0; i < index; ++i)
      QTest::keyClick(list, Qt::Key_Down);
    Settle();
  }
  // A click on one part of the scroll bar (arrows, track above or below the thumb).
  void ClickBar(QStyle::SubControl part) {
    const QRect rect = BarPart(part);
    ASSERT_TRUE(rect.isValid());
    QTest::mouseClick(Bar(), Qt::LeftButton, Qt::NoModifier, rect.center());
    Settle();
  }
  // Takes the thumb by the mouse, moves it by the given pixels and lets it go.
  void DragThumb(int pixels) {
    const QRect thumb = BarPart(QStyle::SC_ScrollBarSlider);
    ASSERT_TRUE(thumb.isValid());
    QTest::mousePress(Bar(), Qt::LeftButton, Qt::NoModifier, thumb.center());
    QTest::mouseMove(Bar(), thumb.center() + QPoint(0, pixels / 2));
    QTest::mouseMove(Bar(), thumb.center() + QPoint(0, pixels));
    QTest::mouseRelease(Bar(), Qt::LeftButton, Qt::NoModifier, thumb.center() + QPoint(0, pixels));
    Settle();
  }
  // Turns the mouse wheel by whole notches (positive: towards the user, down the list) with the
  // pointer at a point of a control, as the window system delivers it: to the widget under the
  // pointer, passed on to its parents while they ignore it.
  void Wheel(QWidget *over, int notches, QPoint at = {}) {
    QWidget *window = over->window();
    const QPoint inWindow = over->mapTo(window, at.isNull() ? over->rect().center() : at);
    QWidget *target = window->childAt(inWindow);
    ASSERT_NE(target, nullptr);
    const QPoint local = target->mapFrom(window, inWindow);
    QWheelEvent wheel(local, target->mapToGlobal(local), QPoint(), QPoint(0, -120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    qApp->notify(target, &wheel);
    Settle();
  }
  QPoint BarPartCenter(QStyle::SubControl part) { return BarPart(part).center(); }
  QRect BarPart(QStyle::SubControl part) {
    QScrollBar *bar = Bar();
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    option.subControls = QStyle::SC_All;
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar);
  }

  TFakeMessageBoxes Boxes;
  TPanelGridHost Host;
};
