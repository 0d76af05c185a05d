// The meters and measurement pages through the host: each page edited by a script on a
// parameter set with pins, missing parameters and units, the description compared whole with
// its golden file; and the meters example as `qvhost describe` runs it.
#include "editor/schematic.h"

#include "tests/support/host_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using qv_test::ReadFile;

class MetersHost : public qv_test::HostTest {
protected:
    void SetUp() override { UseFolder("meters_host"); }
    // Builds the schematic text on a fresh host (its scripts run on the pages) and describes
    // it.
    std::string Described(const std::string& schematicText) {
        host = Started();
        const fs::path path = folder / "schematic.json";
        std::ofstream(path, std::ios::binary) << schematicText;
        Build(path.string());
        return Describe(*host, "out.desc");
    }
    // The description, then the schematic as the editor holds it after the editing (values,
    // used units, pins, switched outputs).
    std::string DescribedAndHeld(const std::string& schematicText) {
        std::string text = Described(schematicText);
        return text + "----\n" + qv::WriteSchematic(host->CurrentSchematic());
    }
};

TEST_F(MetersHost, ExampleDescribesTheMetersAndTheSensitivityInitList) {
    EXPECT_EQ(ReadFile(PARVEL_TEST_DATA "/meters_example.desc"), Described(ReadFile(PARVEL_SOURCE_DIR "/examples/meters.json")));
}

// One element per case, its page edited by the script; the golden file holds the whole
// description: values, used units (converted), pins and "SDB" entries.
TEST_F(MetersHost, EveryPageEditedByScriptGivesItsGoldenDescription) {
    struct Case {
        const char* golden;
        const char* element;
    } cases[] = {
        // The period page without an input; a pinned output value is still written.
        {"meters_period.desc",
         R"({ "id": 91, "name": "TPER1", "parameters": { "START": "R1.V > 10m" },
              "script": ["type 2350 \"R1.V > 20m\"", "click 2056", "type 2028 T1", "click 2401", "ok"] })"},
        {"meters_probe1.desc",
         R"({ "id": 92, "name": "PRB1", "parameters": { "IN": { "value": "R1.V", "pin": true } },
              "script": ["type 2353 \"R1.I > 1\"", "click 2056", "ok"] })"},
        // Input 1 on a pin keeps its text; input 2 is written; the formula is kept as typed.
        {"meters_probe2.desc",
         R"({ "id": 93, "name": "PRB21",
              "script": ["type 2357 A", "click 2358", "type 2360 B", "type 2369 \"PRB21.VAL_IN1 * 2 + 1\"",
                         "click 2371", "click 2056", "ok"] })"},
        {"meters_time_response.desc",
         R"({ "id": 94, "name": "TRESP1",
              "script": ["type 2186 S.OUT", "type 2251 2", "type 2342 5", "choose 2514 ms", "click 2372", "ok"] })"},
        {"meters_overshoot.desc",
         R"({ "id": 95, "name": "OVS1", "parameters": { "TSTOP": { "value": "3", "pin": true } },
              "script": ["click 2371", "click 2373", "type 2412 TMAX", "ok"] })"},
        {"meters_integral.desc",
         R"({ "id": 96, "name": "ICRIT1", "script": ["click 2373", "click 2073", "type 2416 E2", "ok"] })"},
        // A pinned voltage part keeps its text but takes the unit chosen in its list.
        {"meters_power.desc",
         R"({ "id": 99, "name": "PWR1", "parameters": { "V": { "value": "R1.V", "pin": true } },
              "script": ["choose 2516 mV", "type 2188 R1.I", "choose 2517 mA", "click 2377", "ok"] })"},
        // "0.0" is kept and stored back.
        {"meters_sliding_mean.desc",
         R"({ "id": 100, "name": "SMEAN1", "parameters": { "TS": "0.0" },
              "script": ["type 2347 5", "choose 2516 ms", "click 2056", "ok"] })"},
        {"meters_sliding_rms.desc",
         R"({ "id": 101, "name": "SRMS1", "script": ["type 2183 2m", "type 2186 X", "ok"] })"},
        // The switch 2372 switches the output of 2156 on.
        {"meters_sensitivity.desc",
         R"({ "id": 102, "name": "SENS1", "parameters": { "X": { "value": "Q", "pin": true } },
              "script": ["type 2156 MEANDYDX", "click 2372", "pick 2183 0", "click 2075", "ok"] })"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.golden);
        const std::string described =
            DescribedAndHeld(std::string(R"({ "document": "Edit", "elements": [ )") + c.element + " ] }");
        if (std::getenv("METERS_WRITE_GOLDEN") != nullptr)
            std::ofstream(fs::path(PARVEL_TEST_DATA) / c.golden, std::ios::binary) << described;
        EXPECT_EQ(ReadFile(fs::path(PARVEL_TEST_DATA) / c.golden), described);
    }
}

} // namespace
