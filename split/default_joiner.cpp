#include "split/default_joiner.h"

#include "platform/files.h"
#include "platform/paths.h"

namespace {

// The file CMake keeps at the top of a build tree, where the program lies
// (its RUNTIME_OUTPUT_DIRECTORY): an installed tree has none, so a release
// never looks at the build tree's place, and no build path is compiled in.
const char kBuildTreeMarker[] = "CMakeCache.txt";

}  // namespace

DefaultJoiner FindDefaultJoiner(const JoinerPlaces& places) {
    DefaultJoiner joiner;
    SystemError error;
    std::string self = ProgramPath(&error);
    std::string directory = DirectoryName(self);
    joiner.buildTree = places.buildTree[0] != '\0' && !self.empty() &&
                       LookUp(JoinPath(directory, kBuildTreeMarker), &error) == NameLookup::Found;
    joiner.place = joiner.buildTree ? places.buildTree : places.installed;
    // Without its own path the program knows no folder of its own: "." would
    // be the working directory, which anyone may have chosen.
    if (!self.empty()) {
        joiner.path = joiner.place[0] == '/' ? joiner.place : JoinPath(directory, joiner.place);
    }
    return joiner;
}
