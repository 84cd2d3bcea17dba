#pragma once
// A plain view that holds unanchored buttons: awakeFromNib() makes every child
// widget 22 pixels high, keeping its width and place.
// Ownership: a widget owned by its Qt parent. GUI thread only.
#include <QWidget>

class NTXUnanchoredButtonContainer : public QWidget
{
    Q_OBJECT
public:
    explicit NTXUnanchoredButtonContainer(QWidget *parent = nullptr);

    void awakeFromNib();
};
