#include "AppKitExtensions/NTXNSGradientExtensions.h"

namespace NTXNSGradientExtensions {

using platform::Gradient;

namespace {

Gradient::Stop white(qreal location, qreal white, qreal alpha = 1.0)
{
    return Gradient::Stop(location, Gradient::clampedWhite(white, alpha));
}

Gradient::Stop rgb(qreal location, qreal red, qreal green, qreal blue)
{
    return Gradient::Stop(location, Gradient::clampedColor(red, green, blue));
}

QList<Gradient::Stop> buttonStops()
{
    // the middle alpha above 1 counts as 1
    return {white(0.0, 0.7, 0.0), white(0.5, 0.7, 5.0), white(1.0, 0.7, 0.0)};
}

} // namespace

const Gradient *grayBarGradient()
{
    static const Gradient gradient({white(0.0, 0.678), white(1.0, 0.821)});
    return &gradient;
}

const Gradient *lightGrayBarGradient()
{
    static const Gradient gradient({white(0.0, 0.821), white(1.0, 0.956)});
    return &gradient;
}

const Gradient *glassBarGradient()
{
    static const Gradient gradient({white(0.0, 0.882), white(0.5, 0.882), white(0.5, 0.945), white(1.0, 0.996)});
    return &gradient;
}

const Gradient *blueBarGradient()
{
    static const Gradient gradient({rgb(0.0, 0.925, 0.933, 0.976), rgb(0.5, 0.855, 0.871, 0.929),
                                    rgb(0.5, 0.855, 0.871, 0.929), rgb(1.0, 0.741, 0.761, 0.827)});
    return &gradient;
}

const Gradient *controlWindowBarGradient()
{
    static const Gradient gradient({white(0.0, 0.051), white(0.56, 0.122), white(0.57, 0.157), white(0.58, 0.184),
                                    white(1.0, 0.247)});
    return &gradient;
}

const Gradient *highlightedButtonGradient()
{
    static const Gradient gradient(buttonStops());
    return &gradient;
}

const Gradient *selectedButtonGradient()
{
    static const Gradient gradient(buttonStops());
    return &gradient;
}

const Gradient *gradientByType(int type)
{
    switch (type) {
    case 0:
        return grayBarGradient();
    case 1:
        return blueBarGradient();
    case 2:
        return glassBarGradient();
    case 3:
        return controlWindowBarGradient();
    case 100:
        return lightGrayBarGradient();
    case 200:
        return highlightedButtonGradient();
    case 201:
        return selectedButtonGradient();
    default:
        return nullptr;
    }
}

const Gradient *inactiveGradientByType(int type)
{
    return type == 0 ? lightGrayBarGradient() : gradientByType(type);
}

} // namespace NTXNSGradientExtensions
