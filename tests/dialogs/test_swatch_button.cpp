// SPDX-License-Identifier: MIT
// The colour picker's button drawn into an image and read back pixel by
// pixel: a 40 x 20 button, so the right edge R is 40, the bottom B is 20 and
// the arrow's middle row m is 10 (11 when pressed, where everything inside
// the edges moves one pixel right and down).
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <map>
#include <vector>

#include "dialogs/swatch_button.h"
#include "platform/color_ref.h"

namespace {

constexpr int kColor = 0x3C78B4;

enum Ink { F, K, W, G, S };  // button face, black, white, grey, the colour

struct Pixel {
    int x, y;
    Ink ink;
};

struct DrawCase {
    const char* name;
    bool bEnabled;
    bool bFocused;
    bool bPressed;
    std::vector<Pixel> pixels;
};

void PrintTo(const DrawCase& c, std::ostream* os) { *os << c.name; }

// Edges of a raised button: black along the bottom and right, grey inside
// them, white along the top and left inside the untouched outer row and column.
const std::vector<Pixel> kRaisedEdges = {
    {0, 0, F},   {20, 0, F}, {39, 0, F}, {0, 10, F},  {0, 19, K},  {20, 19, K}, {39, 19, K},
    {39, 10, K}, {39, 1, K}, {1, 18, G}, {20, 18, G}, {38, 18, G}, {38, 10, G}, {38, 2, G},
    {38, 1, W},  {20, 1, W}, {1, 1, W},  {1, 10, W},  {1, 17, W},  {2, 2, F},   {37, 17, F}};

// Separator: white at x = 30 and grey at x = 29, from y = 4 up to 16.
const std::vector<Pixel> kSeparator = {{30, 4, W},  {30, 15, W}, {30, 3, F},
                                       {30, 16, F}, {29, 4, G},  {29, 15, G},
                                       {29, 17, F}, {31, 10, F}, {28, 10, F}};

// The swatch: a black frame from (5, 4) to (24, 15), the colour inside.
const std::vector<Pixel> kSwatch = {{5, 10, K},  {24, 10, K}, {10, 4, K},  {10, 15, K}, {5, 4, K},
                                    {24, 15, K}, {6, 5, S},   {23, 14, S}, {14, 10, S}, {4, 10, F},
                                    {25, 10, F}, {10, 3, F},  {10, 16, F}};

const std::vector<Pixel> kNoSwatch = {{5, 10, F}, {24, 10, F}, {10, 4, F}, {14, 10, F}};

// Black arrow: five pixels on row 9, three on row 10, one on row 11.
const std::vector<Pixel> kBlackArrow = {{31, 9, F},  {32, 9, K},  {36, 9, K},  {37, 9, F},
                                        {32, 10, F}, {33, 10, K}, {35, 10, K}, {36, 10, F},
                                        {33, 11, F}, {34, 11, K}, {35, 11, F}, {34, 8, F}};

// Greyed arrow: grey with a white pixel at each row's right end.
const std::vector<Pixel> kGreyArrow = {
    {31, 9, F},  {32, 9, G},  {35, 9, G},  {36, 9, W},  {37, 9, F},  {32, 10, F}, {33, 10, G},
    {34, 10, G}, {35, 10, W}, {36, 10, F}, {33, 11, F}, {34, 11, W}, {35, 11, F}};

const std::vector<Pixel> kNoFocus = {{3, 3, F}, {35, 3, F}, {3, 15, F}, {36, 5, F}, {35, 16, F}};

// Every other pixel of the rectangle (3, 3) to (36, 16), from its corner.
const std::vector<Pixel> kFocus = {{3, 3, K},  {4, 3, F},   {5, 3, K},   {35, 3, K},
                                   {36, 3, K}, {3, 16, K},  {35, 16, K}, {36, 16, F},
                                   {3, 4, F},  {3, 5, K},   {3, 15, K},  {3, 17, F},
                                   {36, 5, K}, {36, 15, K}, {36, 17, F}, {34, 16, F}};

// Pressed: grey top and left, white bottom and right, black inside top and
// left; everything inside moves by one pixel.
const std::vector<Pixel> kPressed = {{0, 0, G},
                                     {0, 1, G},
                                     {0, 19, G},
                                     {38, 0, G},
                                     {39, 0, W},
                                     {39, 18, W},
                                     {39, 19, W},
                                     {2, 19, W},
                                     {1, 19, F},
                                     {1, 1, K},
                                     {1, 2, K},
                                     {1, 18, K},
                                     {37, 1, K},
                                     {38, 1, F},
                                     {38, 18, F},
                                     {2, 2, F},
                                     // separator at x = 31 and 30, y = 5 up to 17
                                     {31, 5, W},
                                     {31, 16, W},
                                     {31, 4, F},
                                     {31, 17, F},
                                     {30, 5, G},
                                     {30, 16, G},
                                     // arrow: m = 21 / 2 = 10
                                     {32, 9, F},
                                     {33, 9, K},
                                     {37, 9, K},
                                     {34, 10, K},
                                     {36, 10, K},
                                     {37, 10, F},
                                     {35, 11, K},
                                     {34, 11, F},
                                     // swatch frame from (6, 5) to (25, 16)
                                     {6, 10, K},
                                     {25, 10, K},
                                     {10, 5, K},
                                     {10, 16, K},
                                     {7, 6, S},
                                     {24, 15, S},
                                     {5, 10, F},
                                     {26, 10, F},
                                     {10, 4, F},
                                     {10, 17, F}};

std::vector<Pixel> Join(std::initializer_list<std::vector<Pixel>> parts) {
    std::vector<Pixel> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

class ButtonDrawing : public ::testing::TestWithParam<DrawCase> {
protected:
    void SetUp() override {
        m_host.resize(100, 60);
        m_pButton = new CSwatchButton(&m_host);
        m_pButton->setGeometry(10, 10, 40, 20);
        m_pButton->SetColor(kColor);
        // Something else to hold the focus when the button must not.
        m_pElsewhere = new QWidget(&m_host);
        m_pElsewhere->setGeometry(60, 10, 20, 20);
        m_pElsewhere->setFocusPolicy(Qt::StrongFocus);
        m_host.show();
        m_host.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_host));
    }

    QImage Render() const {
        QImage image(m_pButton->size(), QImage::Format_RGB32);
        image.setDevicePixelRatio(1);
        image.fill(Qt::magenta);
        m_pButton->render(&image);
        return image;
    }

    QWidget m_host;
    CSwatchButton* m_pButton = nullptr;
    QWidget* m_pElsewhere = nullptr;
};

TEST_P(ButtonDrawing, DrawsEachPixelAsDescribed) {
    const DrawCase& c = GetParam();
    m_pButton->setEnabled(c.bEnabled);
    (c.bFocused ? static_cast<QWidget*>(m_pButton) : m_pElsewhere)->setFocus();
    ASSERT_EQ(m_pButton->hasFocus(), c.bFocused);
    m_pButton->setDown(c.bPressed);
    const QImage image = Render();

    const std::map<Ink, QRgb> inks = {{F, QApplication::palette().color(QPalette::Button).rgb()},
                                      {K, qRgb(0, 0, 0)},
                                      {W, qRgb(255, 255, 255)},
                                      {G, qRgb(128, 128, 128)},
                                      {S, ColorFromRef(kColor).rgb()}};
    ASSERT_NE(inks.at(F), inks.at(W));
    ASSERT_NE(inks.at(F), inks.at(G));
    for (const Pixel& p : c.pixels) {
        EXPECT_EQ(QColor(image.pixel(p.x, p.y)).name().toStdString(),
                  QColor(inks.at(p.ink)).name().toStdString())
            << "at (" << p.x << ", " << p.y << ")";
    }
    // Nothing but the five inks, and no pixel left unpainted.
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb rgb = image.pixel(x, y) | 0xFF000000;
            bool bKnown = false;
            for (const auto& [ink, known] : inks) bKnown = bKnown || (known | 0xFF000000) == rgb;
            ASSERT_TRUE(bKnown) << "at (" << x << ", " << y << ")";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    States, ButtonDrawing,
    ::testing::Values(DrawCase{"Raised", true, false, false,
                               Join({kRaisedEdges, kSeparator, kBlackArrow, kSwatch, kNoFocus})},
                      DrawCase{"Disabled", false, false, false,
                               Join({kRaisedEdges, kSeparator, kGreyArrow, kNoSwatch, kNoFocus})},
                      DrawCase{"Focused", true, true, false,
                               Join({kRaisedEdges, kSeparator, kBlackArrow, kSwatch, kFocus})},
                      DrawCase{"Pressed", true, false, true, kPressed},
                      // The focus frame moves with the rest: (4, 4) to (37, 17).
                      DrawCase{"PressedFocused",
                               true,
                               true,
                               true,
                               {{0, 0, G},
                                {39, 0, W},
                                {1, 1, K},
                                {3, 3, F},
                                {4, 4, K},
                                {5, 4, F},
                                {6, 4, K},
                                {36, 4, K},
                                {37, 4, K},
                                {38, 4, F},
                                {4, 16, K},
                                {4, 17, K},
                                {4, 18, F},
                                {36, 17, K},
                                {37, 17, F},
                                {37, 16, K},
                                {37, 10, K},
                                {14, 10, S}}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
