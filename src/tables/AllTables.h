// The loading of every table at a program's start: the coordinates' tables (CoordCube) and the
// optional ones built on them (CornerEdgePrun, FlipSliceTwistPrun). It stands apart from
// CoordCube so that the coordinates, which the optional tables use, know nothing of them.
#pragma once

class AllTables {
  public:
    // Loads the twelve tables, and the extra one when its file is found, from the directories of
    // CoordCube::tableDirectories and checks that each holds exactly the content the cube model
    // defines; on failure the process ends (CoordCube::stopOnFailure). The large optional tables
    // are loaded too when present and memory allows, or with deferLargeTables only once a search
    // turns out to be long: a program that solves one cube need not read them for the many easy
    // ones.
    static void initAllStaticVariables(bool deferLargeTables = false);
};
