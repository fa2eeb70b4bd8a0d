// Boxes opened and closed many times in one run of the real program must
// leave its GDI object count where it was: the about box's logo bitmap and
// grey brush, and the score's bold font, are released each time. Under Wine
// a leak shows no other way before the process runs out of GDI handles.
#include "win/score_flow.h"

#include <functional>

using namespace score_flow;

namespace {

TEST_F(Flow, BoxesOpenedAndClosedManyTimesLeaveNoGdiObjects) {
    serve("scores\\pacman.txt", "ZEPH high scores<P>\n" + score_line("3333360", 1, "0.78", "r", "Ann", 1, "100"));
    start(2000);
    list_scores(1);
    struct Case {
        const char* name;
        std::function<void()> open;
        const char* caption;
    } cases[] = {
        {"about box", [&] { click(main_, IDC_ABOUT); }, "About Vornix..."},
        {"score properties", [&] { double_click_list_item(main_, IDC_SCORE_LIST, 0); }, "Score Properties"},
    };
    constexpr int kRounds = 150;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto round = [&] {
            c.open();
            HWND box = app_.wait_window(c.caption, 5000);
            if (!box) return false;
            click(box, IDOK);
            return wait_until([&] { return !IsWindow(box); }, 5000);
        };
        // First uses load fonts and bitmaps of the platform's own: warm up
        // until the count holds for two rounds.
        long before = -1;
        for (int i = 0; i < 30; ++i) {
            ASSERT_TRUE(round()) << "warm-up round " << i;
            const long now = gdi_object_count(app_.process(), app_.pid());
            if (i >= 3 && now == before) break;
            before = now;
        }
        ASSERT_GE(before, 0) << "GDI objects cannot be counted here";
        for (int i = 0; i < kRounds; ++i) ASSERT_TRUE(round()) << "round " << i;
        const long after = gdi_object_count(app_.process(), app_.pid());
        std::printf("[ counts   ] %s x%d: %ld GDI objects before, %ld after\n", c.name, kRounds, before, after);
        EXPECT_LE(after, before);
    }
}

}  // namespace
