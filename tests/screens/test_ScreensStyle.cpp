// Every screens test runs in the kiosk's look: the style sheet decides sizes
// (minimum heights, paddings) that the layouts must live with.
#include "UAppStyle.h"

#include <gtest/gtest.h>

#include <QApplication>

namespace {
class KioskStyle : public ::testing::Environment {
public:
    void SetUp() override { TAppStyle::Apply(*qApp); }
};
[[maybe_unused]] ::testing::Environment* const kStyle = ::testing::AddGlobalTestEnvironment(new KioskStyle);
} // namespace
