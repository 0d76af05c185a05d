// The two ends of the test run's check that tests write only into their sandboxes.
//
//   parvel_tree_guard save STATE [--clear DIR]... [--root PATH]... [--exclude PATH]... [--user-config]
//       empties each --clear folder (only folders below the folder of STATE), then records
//       every --root (and, with --user-config, the user's own profile places as this
//       process's environment names them) into STATE.
//   parvel_tree_guard check STATE
//       records the same places again and lists every file created, changed or removed
//       since; exit code 1 when there is one.
#include "tests/support/tree_snapshot.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

int Usage() {
    std::fprintf(stderr,
                 "usage: parvel_tree_guard save STATE [--clear DIR]... [--root PATH]... [--exclude PATH]... "
                 "[--user-config]\n       parvel_tree_guard check STATE\n");
    return 2;
}

// The places a per-user profile can live in, as the user's environment names them.
std::vector<std::string> UserConfigPlaces() {
    std::vector<std::string> places;
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        places.push_back(std::string(home) + "/.config/quorvatix");
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config != '\0')
        places.push_back(std::string(config) + "/quorvatix");
    if (const char* profile = std::getenv("QV_USER_PROFILE"); profile != nullptr && *profile != '\0')
        places.push_back(profile);
    return places;
}

bool Below(const fs::path& inner, const fs::path& outer) {
    const fs::path a = fs::weakly_canonical(inner);
    const fs::path b = fs::weakly_canonical(outer);
    auto [end, ignored] = std::mismatch(b.begin(), b.end(), a.begin(), a.end());
    return end == b.end() && a != b;
}

int Save(const std::string& state, int argc, char** argv) {
    std::vector<std::string> roots;
    std::vector<std::string> excludes;
    for (int i = 0; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--user-config") {
            for (const std::string& place : UserConfigPlaces()) roots.push_back(place);
            continue;
        }
        if (i + 1 >= argc) return Usage();
        const std::string value = argv[++i];
        if (option == "--root") {
            roots.push_back(value);
        } else if (option == "--exclude") {
            excludes.push_back(value);
        } else if (option == "--clear") {
            if (!Below(value, fs::absolute(state).parent_path())) {
                std::fprintf(stderr, "parvel_tree_guard: refusing to clear %s outside %s\n", value.c_str(),
                             fs::absolute(state).parent_path().c_str());
                return 2;
            }
            std::error_code code;
            fs::remove_all(value, code);
            fs::create_directories(value, code);
            if (code) {
                std::fprintf(stderr, "parvel_tree_guard: cannot create %s\n", value.c_str());
                return 2;
            }
        } else {
            return Usage();
        }
    }
    std::error_code code;
    fs::create_directories(fs::absolute(state).parent_path(), code);
    std::ofstream out(state, std::ios::binary | std::ios::trunc);
    qv_test::WriteSnapshot(out, qv_test::TakeSnapshot(roots, excludes));
    out.close();
    if (!out) {
        std::fprintf(stderr, "parvel_tree_guard: cannot write %s\n", state.c_str());
        return 2;
    }
    return 0;
}

int Check(const std::string& state) {
    std::ifstream in(state, std::ios::binary);
    qv_test::TreeSnapshot before;
    if (!in || !qv_test::ReadSnapshot(in, before)) {
        std::fprintf(stderr, "parvel_tree_guard: no readable record in %s\n", state.c_str());
        return 2;
    }
    const qv_test::TreeSnapshot after = qv_test::TakeSnapshot(before.roots, before.excludes);
    const std::vector<std::string> differences = qv_test::CompareSnapshots(before, after);
    for (const std::string& root : before.roots) std::printf("watched: %s\n", root.c_str());
    if (differences.empty()) {
        std::printf("no test wrote outside its sandbox (%zu entries unchanged)\n", after.entries.size());
        return 0;
    }
    std::printf("tests wrote outside their sandboxes:\n");
    for (const std::string& difference : differences) std::printf("  %s\n", difference.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string command = argv[1];
    if (command == "save") return Save(argv[2], argc - 3, argv + 3);
    if (command == "check" && argc == 3) return Check(argv[2]);
    return Usage();
}
