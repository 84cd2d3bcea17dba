#pragma once
// A window whose background is the control-highlight colour (the palette's Light).
// Threads: GUI thread only.
#include <QWidget>

class NTXGreyBackgroundWindow : public QWidget
{
    Q_OBJECT
public:
    explicit NTXGreyBackgroundWindow(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::Window);
    ~NTXGreyBackgroundWindow() override;

    // Gives the window its background colour (again after the palette changed).
    void setupWindow();

protected:
    void changeEvent(QEvent *event) override;

private:
    bool m_settingUp = false;
};
