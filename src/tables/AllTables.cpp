#include "tables/AllTables.h"

#include <string>
#include <vector>

#include "tables/CoordCube.h"
#include "tables/CornerEdgePrun.h"
#include "tables/FlipSliceTwistPrun.h"

void AllTables::initAllStaticVariables(bool deferLargeTables) {
    const std::vector<std::string> directories = CoordCube::tableDirectories();
    std::string failure = CoordCube::loadTables(directories);
    if (failure.empty() && deferLargeTables) {
        CornerEdgePrun::directories = directories;
        FlipSliceTwistPrun::directories = directories;
        return;
    }
    bool missing;
    if (failure.empty()) failure = CornerEdgePrun::load(directories, missing);
    if (failure.empty()) failure = FlipSliceTwistPrun::load(directories, missing);
    if (failure.empty()) return;
    CoordCube::stopOnFailure(failure, directories);
}
