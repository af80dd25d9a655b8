#include "app/station/FrameRotation.h"

#include "ipl/Ipl.h"
#include "pixlib/core/CxImage.h"

#include <cmath>
#include <memory>
#include <numbers>

namespace {

constexpr double kTenthDegreesPerRadian = 572.95779513;
constexpr double kSnapTolerance = 0.0087;

// Reduced to [0, 2π) and snapped onto a quarter turn when within half a degree of one.
double NormalisedAngle(double angle)
{
    constexpr double fullTurn = 2 * std::numbers::pi;
    while (angle > fullTurn)
        angle -= fullTurn;
    while (angle < -fullTurn)
        angle += fullTurn;
    if (angle < 0)
        angle += fullTurn;
    for (int quarter = 0; quarter <= 4; ++quarter) {
        const double snapped = quarter * std::numbers::pi / 2;
        if (std::abs(angle - snapped) < kSnapTolerance)
            return quarter == 4 ? 0.0 : snapped;
    }
    return angle;
}

// Same-size warp: the rotation matrix, with the shift that keeps the centre in place.
void RotateAboutCentre(CxImage& source, CxImage& target, double angle)
{
    const auto sine = static_cast<double>(std::sin(static_cast<float>(angle)));
    const auto cosine = static_cast<double>(std::cos(static_cast<float>(angle)));
    double matrix[2][3] = {{cosine, sine, 0.0}, {-sine, cosine, 0.0}};
    const double centreX = source.Width() / 2.0;
    const double centreY = source.Height() / 2.0;
    matrix[0][2] = target.Width() / 2.0 - (cosine * centreX + sine * centreY);
    matrix[1][2] = target.Height() / 2.0 - (-sine * centreX + cosine * centreY);
    iplWarpAffine(source, target, matrix, IPL_INTER_CUBIC);
}

}  // namespace

CxImage* RotateFrame(CxImage* frame, int tenthsOfDegree)
{
    if (tenthsOfDegree == 0)
        return frame;
    if (tenthsOfDegree % 900 == 0) {
        // -180 and 180 degrees are the same turn; the image object knows only the latter.
        const int degrees = tenthsOfDegree / 10;
        frame->Rotate90(degrees == -180 ? 180 : degrees);
        return frame;
    }
    const int angle = tenthsOfDegree <= 0 ? tenthsOfDegree + 3600 : tenthsOfDegree;
    auto rotated = std::make_unique<CxImage>();
    if (!rotated->Create(frame->Width(), frame->Height(), 0, 1, 0, nullptr))
        return frame;
    RotateAboutCentre(*frame, *rotated, NormalisedAngle(angle / kTenthDegreesPerRadian));
    delete frame;
    return rotated.release();
}
