#pragma once
// The small spinning indicator inside a tab. It differs from the platform's only in
// stopping: stopAnimation() also drops a start requested "later" (after a delay of
// 0) that has not run yet, so a stop that comes before such a delayed start leaves
// the indicator stopped. A widget owned by its tab button; main thread only.
#include "platform/drawing/ProgressIndicator.h"

class KZProgressIndicator : public platform::ProgressIndicator
{
    Q_OBJECT
public:
    explicit KZProgressIndicator(QWidget *parent = nullptr);

    void stopAnimation() override;
};
