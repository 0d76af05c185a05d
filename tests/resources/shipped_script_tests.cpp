// The shipped resource script: it parses, its dialogs are consistent, and it carries the
// system's texts exactly.
#include "win32/resource_script.h"
#include "win32/winuser.h"

#include <gtest/gtest.h>

#include <fstream>
#include <utility>
#include <vector>
#include <set>
#include <sstream>

namespace {

const qv::ResourceScript& Shipped() {
    static const qv::ResourceScript script = [] {
        std::ifstream in(PARVEL_SOURCE_DIR "/resources/parvel.rc", std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return qv::ParseResourceScript(text.str(), PARVEL_SOURCE_DIR "/resources/bitmaps");
    }();
    return script;
}

const qv::RcControl& Control(int dialogId, int controlId) {
    const qv::RcControl* control = Shipped().dialogs.at(dialogId).FindControl(controlId);
    if (!control) throw std::runtime_error("dialog " + std::to_string(dialogId) + " has no control " + std::to_string(controlId));
    return *control;
}

TEST(ShippedScript, ControlIdsAreUniqueWithinEachDialog) {
    ASSERT_FALSE(Shipped().dialogs.empty());
    for (const auto& [id, dialog] : Shipped().dialogs) {
        std::set<int> seen;
        for (const qv::RcControl& control : dialog.controls)
            if (control.id != -1) {
                EXPECT_TRUE(seen.insert(control.id).second) << "dialog " << id << " control " << control.id;
            }
    }
}

TEST(ShippedScript, MessagesAreExact) {
    const std::map<UINT, std::string> expected = {
        {8000, "Invalid value!"},
        {8001, "Scan Dll not found!"},
        {8002, "Scan Function not found!"},
        {8003, "Scan didn't finish correctly!"},
        {8004, "Error while reading file!"},
        {8005, "Error while writing <%s>!"},
        {8007, "Following indexes are more than once:\n%s"},
        {8008, "Internal Error!"},
        {8009, "Error : Constant x-values aren't allowed!"},
        {8010, "Error : X-values aren't monotonous rising!"},
        {8011, "Error : X-values aren't monotonous falling!"},
        {8012, "Error : Constant y-values aren't allowed!"},
        {8013, "Error : Y-values aren't monotonous rising!"},
        {8014, "Error : Y-values aren't monotonous falling!"},
        {8015, "Error : No data available - block length = 0"},
        {8016, "Error : Y-values aren't monotonous rising over all blocks!"},
        {8017, "Error : Y-values aren't monotonous falling over all blocks!"},
        {8019, "Error : Length of the constant block of y-values isn't the same as length of data block!"},
        {8020, "Error : X-values aren't repeated!"},
        {8022, "Fatal error !\nPlease close the Schematic and contact your software producer!"},
        {8023, "Error : The Upper Limit must be greater than the Lower Limit!"},
        {8024, "Error : The Inital Value must be within the Upper and Lower Limit!"},
        {8025, "Error : The Maximum Value must be greater than the Minimum Value!"},
        {8026, "Error : The value of %s should not be 0!"},
        {8027, "Voltage Secondary Side Phases"},
        {8028, "Current Secondary Side Phases"},
        {8029, "KTR0"},
        {8030, "KTR1"},
        {8031, "KTR2"},
        {8032, "KTR3"},
        {8033, "Level"},
        {8034, "Description"},
        {8035, "The file format \"text\" cannot be written! The file will be saved as a MDX-file."},
        {8036, "The expression must have a left value or a If-Else Condition!"},
        {8037, "Error : The Denominator must be bigger than the Numerator!"},
    };
    for (const auto& [id, text] : expected) {
        auto it = Shipped().strings.find(id);
        ASSERT_NE(it, Shipped().strings.end()) << id;
        EXPECT_EQ(it->second, text) << id;
    }
    // Numbers of the message range that no text uses stay free.
    for (UINT unused : {8006u, 8018u, 8021u}) {
        EXPECT_EQ(Shipped().strings.count(unused), 0u) << unused;
    }
}

TEST(ShippedScript, LabelsCaptionsAndHeadings) {
    const std::map<UINT, std::string> expected = {
        {2510, "Nonlinear\ni = f(v)"}, {2512, "Nonlinear\nG = f(v)"}, {2519, "Nonlinear\nL = f(i)"},
        {2521, "Click for Update"},    {2700, "v [V]"},               {2702, "i [A]"},
        {2706, "psi [Vs]"},            {2707, "G [S]"},               {2709, "x-axis : "},
        {2710, "y-axis : "},           {2711, "No."},                 {2718, "Update"},
        {2719, "Show"},                {2724, "Lower "},              {2725, "%sCut-off frequency [Hz]"},
        {2761, "%ith harmonic wave"},  {2764, "Ampl. [%]"},           {2779, "z-axis : "},
        {2802, "+,-"},                 {7019, "Rotor Flux [Vs]"},     {7107, "Armature Voltage"},
    };
    for (const auto& [id, text] : expected) {
        auto it = Shipped().strings.find(id);
        ASSERT_NE(it, Shipped().strings.end()) << id;
        EXPECT_EQ(it->second, text) << id;
    }
}

TEST(ShippedScript, TestPageForTheWindowsLayer) {
    const qv::RcDialog& page = Shipped().dialogs.at(30000);
    EXPECT_EQ(Control(30000, 30001).windowClass, "Edit");
    EXPECT_EQ(Control(30000, 30002).style & 0xF, 0x3u);                 // auto check box
    EXPECT_EQ(Control(30000, 30003).style & 0xF, 0x6u);                 // auto three-state
    EXPECT_NE(Control(30000, 30004).style & 0x00020000u, 0u);           // first radio starts the group
    EXPECT_EQ(Control(30000, 30005).style & 0x00020000u, 0u);
    EXPECT_EQ(Control(30000, 30006).style & 0xF, 0x9u);
    EXPECT_EQ(Control(30000, 30007).style & 0x3, 0x3u);                 // drop-down list
    EXPECT_EQ(Control(30000, 30007).items, (std::vector<std::string>{"One", "Two", "Three"}));
    EXPECT_EQ(Control(30000, 30008).windowClass, "Static");
    EXPECT_EQ(Control(30000, 30009).windowClass, "Button");
    EXPECT_EQ(Control(30000, 30010).windowClass, "SysListView32");
    EXPECT_EQ(Control(30000, 30010).style & 0x3, 0x1u);                 // report view
    EXPECT_EQ(Control(30000, 30011).windowClass, "msctls_updown32");
    EXPECT_EQ(page.controls.size(), 11u);
}

// Every control a page addresses must exist in its template, with the kind it expects.
void ExpectControls(int dialogId, const std::vector<std::pair<int, const char*>>& controls) {
    for (const auto& [id, cls] : controls) {
        const qv::RcControl* control = Shipped().dialogs.at(dialogId).FindControl(id);
        ASSERT_NE(control, nullptr) << "dialog " << dialogId << " control " << id;
        EXPECT_EQ(control->windowClass, cls) << "dialog " << dialogId << " control " << id;
    }
}

TEST(ShippedScript, CharacteristicPageAndPreview) {
    const qv::RcDialog& page = Shipped().dialogs.at(2594);
    EXPECT_EQ(page.caption, "Characteristic");
    ExpectControls(2594, {{2389, "Button"}, {2111, "Button"}, {2390, "Static"}, {2113, "Edit"}, {2391, "Static"},
                          {2392, "Button"}, {2114, "Button"}, {2393, "Button"}, {2330, "Button"}, {2394, "Static"},
                          {2395, "Edit"}, {2396, "Button"}, {2397, "Button"}, {2121, "SysListView32"},
                          {1122, "Button"}, {1123, "Button"}, {1124, "Button"}, {1125, "Button"}, {1126, "Button"},
                          {2116, "Button"}, {2117, "Edit"}, {2118, "Button"}, {2119, "Button"}, {2217, "Button"},
                          {2120, "Static"}});
    EXPECT_EQ(Control(2594, 2111).text, "Reference");
    EXPECT_EQ(Control(2594, 2397).text, "Data Pairs");
    EXPECT_EQ(Control(2594, 2120).text, "function not monotonous");
    for (int id = 1122; id <= 1126; ++id) EXPECT_EQ(Control(2594, id).style & 0xF, 0xBu) << id; // owner-drawn
    EXPECT_EQ(Control(2594, 2121).style & 0x7, 0x5u); // report view, single selection

    const qv::RcDialog& preview = Shipped().dialogs.at(2533);
    EXPECT_EQ(preview.caption, "%s  Characteristic");
    EXPECT_EQ(preview.cx, 264);
    EXPECT_EQ(preview.cy, 166);
    ExpectControls(2533, {{2127, "Static"}, {2128, "Static"}});

    const qv::RcMenuItem& context = Shipped().menus.at(2547).items.at(0);
    ASSERT_EQ(context.children.size(), 6u);
    EXPECT_EQ(context.children[0].id, 40005);
    EXPECT_TRUE(context.children[3].separator);
    EXPECT_EQ(context.children[5].text, "Move up");
    EXPECT_EQ(Shipped().bitmaps.at(138).width, 15 * 16);
    EXPECT_EQ(Shipped().bitmaps.at(135).width, 6 * 16);
}

TEST(ShippedScript, ResistorConductanceAndAcPages) {
    EXPECT_EQ(Shipped().dialogs.at(105).caption, "Parameters");
    ExpectControls(105, {{2000, "Static"}, {2001, "Edit"}, {2002, "Button"}, {2072, "Button"}, {2027, "Button"},
                         {2144, "Static"}, {2028, "Edit"}, {2507, "ComboBox"}, {2090, "Button"}, {2029, "Static"},
                         {2088, "Button"}, {2016, "Button"}, {2075, "Button"}, {2006, "Static"}, {2007, "Edit"},
                         {2077, "Button"}, {2017, "Button"}, {2018, "Button"}, {2019, "Button"}, {2056, "Button"},
                         {2020, "Static"}});
    constexpr DWORD kVisible = 0x10000000, kDisabled = 0x08000000;
    EXPECT_EQ(Control(105, 2144).style & kVisible, 0u);
    EXPECT_EQ(Control(105, 2007).style & kVisible, 0u);
    EXPECT_NE(Control(105, 2016).style & kDisabled, 0u);
    EXPECT_EQ(Control(105, 2088).text, "Nonlinear \ni = f (v)");

    EXPECT_EQ(Shipped().dialogs.at(2604).caption, "AC - Parameters");
    EXPECT_EQ(Shipped().dialogs.at(2604).cx, 310);
    EXPECT_EQ(Shipped().dialogs.at(2604).cy, 175);
    ExpectControls(2604, {{2072, "Button"}, {2330, "Button"}, {2428, "Button"}, {2424, "Static"}, {2425, "Edit"},
                          {2516, "ComboBox"}, {2033, "Button"}, {2032, "Static"}, {2433, "Static"}, {2434, "Edit"},
                          {2517, "ComboBox"}, {2321, "Button"}, {2031, "Static"}, {2429, "Static"}, {2430, "Edit"},
                          {2518, "ComboBox"}, {2035, "Button"}, {2030, "Static"}, {2431, "Static"}, {2432, "Edit"},
                          {2519, "ComboBox"}, {2036, "Button"}, {2029, "Static"}});
    EXPECT_EQ(Control(2604, 2330).text, "Phase && Magnitude");
    EXPECT_NE(Control(2604, 2035).style & kDisabled, 0u);
    EXPECT_NE(Control(2604, 2036).style & kDisabled, 0u);
    EXPECT_EQ(Control(2604, 2033).style & kDisabled, 0u);
}

TEST(ShippedScript, ElementPagesCarryEveryControlTheirPagesAddress) {
    const std::map<int, std::vector<int>> pages = {
        {100, {2000, 2001, 2002, 2003, 2004, 2005, 2006, 2007, 2008, 2009, 2010, 2011, 2012, 2015, 2016, 2017, 2018,
               2019, 2020, 2021, 2022, 2023, 2024, 2025, 2026, 2472, 2515, 2516}},
        {106, {2000, 2001, 2002, 2020, 2072, 2027, 2092, 2089, 2028, 2507, 2090, 2029, 2030, 2031, 2093, 2094, 2098,
               2079, 2144, 2099, 2100, 2508, 2101, 2103, 2104, 2509, 2105, 2091, 2473, 2513, 2096, 2510, 2097, 2514,
               2109, 2511, 2110, 2377, 2378, 2017, 2018, 2019, 2056}},
        {107, {2000, 2001, 2002, 2020, 2072, 2100, 2102, 2509, 2104, 2337, 2101, 2103, 2508, 2106, 2336, 2108, 2331,
               2306, 2010, 2011, 2307, 2308, 2311, 2017, 2056}},
        {108, {2000, 2001, 2002, 2072, 2100, 2102, 2509, 2105, 2107, 2510, 2101, 2103, 2508, 2110, 2109, 2511, 2108,
               2331, 2306, 2010, 2011, 2307, 2308, 2311, 2017, 2056, 2020}},
        {101, {2000, 2001, 2002, 2003, 2020, 2027, 2028, 2029, 2030, 2031, 2032, 2033, 2034, 2035, 2036, 2038, 2039,
               2040, 2041, 2042, 2045, 2047, 2048, 2049, 2050, 2051, 2052, 2053, 2054, 2055, 2057, 2144, 2203, 2204,
               2205, 2304, 2305, 2472, 2507, 2508, 2509, 2510, 2512, 2513, 2514, 2515, 2516, 2517, 2520, 2017, 2018,
               2019, 2056}},
        {2608, {2000, 2001, 2002, 2003, 2020, 2027, 2028, 2029, 2030, 2031, 2032, 2033, 2034, 2035, 2036, 2038, 2039,
                2040, 2041, 2042, 2045, 2046, 2047, 2048, 2049, 2050, 2051, 2052, 2053, 2054, 2055, 2057, 2058, 2095,
                2096, 2203, 2204, 2205, 2507, 2508, 2509, 2510, 2511, 2512, 2513, 2514, 2515, 2516, 2517, 2520, 2017,
                2018, 2019}},
        {2609, {2000, 2001, 2002, 2020, 2072, 2476, 2477, 2514, 2478, 2479, 2527, 2481, 2480, 2515, 2482, 2483, 2516,
                2484, 2485, 2521, 2111, 2112, 2517, 2488, 2486, 2487, 2331, 2017, 2371, 2372, 2373, 2374}},
        {2610, {2000, 2001, 2002, 2020, 2072, 2476, 2477, 2514, 2482, 2483, 2516, 2481, 2480, 2515, 2111, 2112, 2517,
                2488, 2486, 2487, 2331, 2017, 2371, 2372}},
        {2611, {2000, 2001, 2002, 2020, 2072, 2073, 2074, 2476, 2477, 2514, 2478, 2479, 2527, 2489, 2490, 2526, 2482,
                2483, 2516, 2484, 2485, 2521, 2491, 2492, 2522, 2493, 2494, 2518, 2497, 2498, 2519, 2501, 2502, 2520,
                2495, 2496, 2523, 2499, 2500, 2524, 2503, 2504, 2525, 2481, 2480, 2515, 2111, 2112, 2517, 2488, 2486,
                2487, 2331, 2017, 2371, 2372, 2373, 2374}},
        {2612, {2000, 2001, 2002, 2020, 2072, 2476, 2477, 2514, 2478, 2479, 2527, 2489, 2490, 2526, 2482, 2483, 2516,
                2484, 2485, 2521, 2491, 2492, 2522, 2481, 2480, 2515, 2111, 2112, 2517, 2486, 2487, 2488, 2493, 2494,
                2495, 2496, 2497, 2498, 2499, 2500, 2501, 2331, 2017, 2371, 2372}},
        {2615, {2000, 2001, 2002, 2020, 2072, 2476, 2477, 2514, 2478, 2479, 2527, 2489, 2016, 2075, 2482, 2483, 2516,
                2484, 2485, 2521, 2111, 2112, 2517, 2488, 2486, 2487, 2331, 2017, 2371, 2372, 2373, 2374}},
        {2606, {2454, 2452, 2455, 2457, 2465, 2466, 2467, 1, 2, 9}},
        {161, {3073, 1170, 1171, 1172, 1173, 1174, 1175, 1176, 1177, 1178, 1179, 1180, 1181, 1182, 1183, 1184, 1185,
               1186, 1188, 1189, 1190, 1191, 1192, 1193, 1194, 1195, 1196, 1197, 1199, 1200, 1202}},
    };
    for (const auto& [dialogId, ids] : pages) {
        ASSERT_EQ(Shipped().dialogs.count(dialogId), 1u) << dialogId;
        for (int id : ids) EXPECT_NE(Shipped().dialogs.at(dialogId).FindControl(id), nullptr) << dialogId << "/" << id;
    }
    // The nonlinear transformer replaces the main-inductance row by the characteristic.
    EXPECT_EQ(Shipped().dialogs.at(2615).FindControl(2480), nullptr);
    // The mutual inductance output of the transformer is a three-state box.
    EXPECT_EQ(Control(108, 2056).style & 0xF, 0x6u);
    EXPECT_EQ(Control(161, 1174).text, "x^y");
}

TEST(ShippedScript, ListEntriesComeWithTheTemplates) {
    EXPECT_EQ(Control(100, 2005).items, (std::vector<std::string>{"Voltage Controlled", "Current Controlled",
                                                                  "Nonlinear Voltage Controlled",
                                                                  "Nonlinear Current Controlled"}));
    EXPECT_EQ(Control(2608, 2032).items, (std::vector<std::string>{"Sine", "Pulse", "Triangular", "Trapezoidal",
                                                                   "Saw-tooth Rising", "Saw-tooth Falling"}));
    EXPECT_EQ(Control(2608, 2049).items, (std::vector<std::string>{"Yes", "No"}));
    EXPECT_EQ(Control(101, 2032).items, Control(2608, 2032).items);
    EXPECT_EQ(Control(101, 2049).items, Control(2608, 2049).items);
}

// Every sample-time box takes a typed time: a drop-down with an edit, never a drop-down list
// (COMBOBOX implies CBS_SIMPLE, which turns CBS_DROPDOWN into CBS_DROPDOWNLIST unless it is
// taken away).
TEST(ShippedScript, EverySampleTimeBoxTakesTypedText) {
    int boxes = 0;
    for (const auto& [id, dialog] : Shipped().dialogs) {
        const qv::RcControl* box = dialog.FindControl(2183);
        if (box == nullptr || box->windowClass != "ComboBox") continue;
        ++boxes;
        EXPECT_EQ(static_cast<DWORD>(CBS_DROPDOWN), box->style & 0x3u) << "dialog " << id << " line " << box->line;
        EXPECT_EQ((std::vector<std::string>{"System", "1m"}), box->items) << "dialog " << id;
    }
    EXPECT_GT(boxes, 20);
}

TEST(ShippedScript, PictureControlsNameExistingBitmaps) {
    int pictures = 0;
    for (const auto& [id, dialog] : Shipped().dialogs) {
        for (const qv::RcControl& control : dialog.controls) {
            if (control.imageId == 0) continue;
            ++pictures;
            EXPECT_EQ(Shipped().bitmaps.count(control.imageId), 1u) << "dialog " << id << " control " << control.id;
        }
    }
    EXPECT_GT(pictures, 0);
    for (const auto& [id, bitmap] : Shipped().bitmaps) {
        EXPECT_GT(bitmap.width, 0) << id;
        EXPECT_GT(bitmap.height, 0) << id;
    }
    const qv::RcMenuItem& conditions = Shipped().menus.at(2606).items.at(0);
    EXPECT_EQ(conditions.text, "If");
    ASSERT_EQ(conditions.children.size(), 3u);
    EXPECT_EQ(conditions.children[1].text, "ELSE IF");
    EXPECT_EQ(conditions.children[1].id, 40018);
}

} // namespace
