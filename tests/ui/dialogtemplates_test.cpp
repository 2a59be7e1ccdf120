#include "ui/dialogtemplates.h"

#include "core/gamestate.h"
#include "persist/halloffame.h"
#include "ui/customgame.h"

#include <gtest/gtest.h>

#include <ostream>
#include <set>

// Readable failure messages.
static void PrintTo(const DialogRect& r, std::ostream* out)
{
    *out << '{' << r.x << ", " << r.y << ", " << r.width << ", " << r.height << '}';
}

namespace {

const DialogControl& named(const DialogTemplate& dialog, const std::string& name)
{
    for (const DialogControl& control : dialog.controls)
        if (control.name == name)
            return control;
    ADD_FAILURE() << dialog.caption << " has no control named " << name;
    static const DialogControl none;
    return none;
}

const DialogTemplate* const allTemplates[] = {&customGameTemplate(), &keysTemplate(), &aboutTemplate(),
                                              &hallOfFameTemplate()};

}  // namespace

TEST(DialogTemplatesTest, KeepTheDialogUnitsOfEachDialog)
{
    const DialogTemplate& custom = customGameTemplate();
    EXPECT_EQ(custom.width, 264);
    EXPECT_EQ(custom.height, 253);
    EXPECT_EQ(named(custom, "minRows").rect, (DialogRect{242, 30, 9, 15}));
    EXPECT_EQ(named(custom, "minRows").kind, CONTROL_VERTICAL_SCROLL_BAR);
    EXPECT_EQ(named(custom, "minRowsLabel").rect, (DialogRect{233, 32, 8, 8}));
    EXPECT_EQ(named(custom, "width").rect, (DialogRect{64, 13, 57, 10}));
    EXPECT_EQ(named(custom, "rowPlacementFailure").rect, (DialogRect{199, 132, 58, 12}));
    EXPECT_EQ(named(custom, "start").rect, (DialogRect{83, 236, 50, 14}));
    EXPECT_EQ(named(custom, "start").kind, CONTROL_DEFAULT_PUSH_BUTTON);
    EXPECT_EQ(named(custom, "start").id, CTL_OK) << "Enter starts the game";

    const DialogTemplate& keys = keysTemplate();
    EXPECT_EQ(keys.width, 130);
    EXPECT_EQ(keys.height, 210);
    EXPECT_EQ(named(keys, "key0").rect, (DialogRect{72, 6, 54, 16}));
    EXPECT_EQ(named(keys, "key7").rect, (DialogRect{72, 132, 54, 16}));
    EXPECT_EQ(named(keys, "key8").rect, (DialogRect{71, 151, 54, 16}));
    EXPECT_EQ(named(keys, "cancel").rect, (DialogRect{66, 187, 50, 14}));

    const DialogTemplate& about = aboutTemplate();
    EXPECT_EQ(about.width, 145);
    EXPECT_EQ(about.height, 105);
    EXPECT_EQ(named(about, "ok").rect, (DialogRect{48, 84, 50, 14}));

    for (const DialogTemplate* dialog : allTemplates) {
        EXPECT_EQ(dialog->fontName, "MS Shell Dlg") << dialog->caption;
        EXPECT_EQ(dialog->fontPoints, 8) << dialog->caption;
    }
    EXPECT_EQ(named(hallOfFameTemplate(), "name").maxLength, static_cast<int32_t>(maxNameLength));
}

TEST(DialogTemplatesTest, EveryControlHasItsOwnIdAndNameAndLiesInsideItsDialog)
{
    for (const DialogTemplate* dialog : allTemplates) {
        std::set<int32_t> ids;
        std::set<std::string> names;
        for (const DialogControl& control : dialog->controls) {
            if (control.id != CTL_STATIC) {
                EXPECT_TRUE(ids.insert(control.id).second) << dialog->caption << ": id " << control.id;
            }
            if (!control.name.empty()) {
                EXPECT_TRUE(names.insert(control.name).second) << dialog->caption << ": " << control.name;
            }
            // A hosted control lies inside its host rather than the dialog.
            DialogRect outer{0, 0, dialog->width, dialog->height};
            if (control.hostId != 0) {
                const DialogControl* host = findDialogControl(*dialog, control.hostId);
                ASSERT_NE(host, nullptr) << dialog->caption << ": " << control.name;
                outer = {0, 0, host->rect.width, host->rect.height};
            }
            const DialogRect& r = control.rect;
            EXPECT_TRUE(r.x >= outer.x && r.y >= outer.y && r.width > 0 && r.height > 0
                        && r.x + r.width <= outer.x + outer.width && r.y + r.height <= outer.y + outer.height)
                << dialog->caption << ": " << control.name << " \"" << control.caption << "\"";
        }
        EXPECT_EQ(findDialogControl(*dialog, CTL_STATIC), nullptr);
    }
    // The models address the bars' labels and the effects' lists by these ids.
    const DialogTemplate& custom = customGameTemplate();
    const DialogControl* speedLabel = findDialogControl(custom, barLabelControlId(BAR_SPEED));
    const DialogControl* shattered = findDialogControl(custom, effectListId(EFFECT_SHATTERED_SHAPES));
    ASSERT_TRUE(speedLabel != nullptr && shattered != nullptr);
    EXPECT_EQ(speedLabel->name, "speedLabel");
    EXPECT_EQ(shattered->name, "shatteredShapes");
}

TEST(DialogTemplatesTest, ControlsThatTouchInDialogUnitsTouchInPixels)
{
    for (double across : {1.5, 1.75, 1.96, 2.25}) {
        for (int32_t x = 0; x < 20; ++x) {
            const DialogRect left = dialogUnitsToPixels({x, 0, 3, 8}, across, 1.625);
            const DialogRect right = dialogUnitsToPixels({x + 3, 8, 5, 8}, across, 1.625);
            EXPECT_EQ(left.x + left.width, right.x) << across << " at " << x;
            EXPECT_EQ(left.y + left.height, right.y) << across << " at " << x;
        }
    }
}
