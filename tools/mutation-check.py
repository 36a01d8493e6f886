#!/usr/bin/env python3
"""Plants faults in a copy of the project, one at a time, and reports which ones the suite misses.

Usage: tools/mutation-check.py [--list] [ID ...]

Each fault is one plausible slip in the cube model, the tables, the loader, the search, the
command line or the programs and module around it. For each, the copy is rebuilt and ctest runs;
a fault is caught when the build fails (maketables checks its tables against their digests) or
a test fails. The copy lives in a temporary directory, so the work tree is never touched. A full
run takes about half an hour on two cores.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

# (id, file, text to find, replacement, what the fault is)
FAULTS = [
    ("model-turn-R", "src/cube/CubieCube.cpp", "coR[8] = {2, 0, 0, 1, 1, 0, 0, 2}",
     "coR[8] = {1, 0, 0, 2, 2, 0, 0, 1}", "R turns its corners the wrong way"),
    ("model-edge-product", "src/cube/CubieCube.cpp", "(b.eo[i] + eo[b.ep[i]]) % 2",
     "(b.eo[i] + eo[i]) % 2", "edge product takes the orientation of the wrong position"),
    ("model-corner-product", "src/cube/CubieCube.cpp", "if (ori >= 3) ori -= 3;\n        } else if",
     "if (ori > 3) ori -= 3;\n        } else if", "corner product leaves twist 3 unreduced"),
    ("model-inverse", "src/cube/CubieCube.cpp", "(3 - ori) % 3", "(3 - ori)",
     "inverse leaves twist 3 unreduced"),
    ("model-verify-code", "src/cube/CubieCube.cpp", "if (sum % 2 != 0) return -3;",
     "if (sum % 2 != 0) return -5;", "a flipped edge reported as a twisted corner"),
    ("model-verify-edges", "src/cube/CubieCube.cpp", "if (!eachPieceOnce(ep, 12)) return -2;",
     "if (!eachPieceOnce(ep, 11)) return -2;", "the last edge is not checked"),
    ("model-parity", "src/cube/CubieCube.cpp", "for (int j = i - 1; j >= 0; --j)",
     "for (int j = i - 1; j > 0; --j)", "parity skips position 0"),
    ("model-cnk", "src/cube/CubieCube.cpp", "if (n < k) return 0;", "if (n <= k) return 0;",
     "C(n, n) taken as 0"),
    ("model-set-twist", "src/cube/CubieCube.cpp", "co[DRB] = static_cast<unsigned char>((3 - sum % 3) % 3);",
     "co[DRB] = static_cast<unsigned char>(3 - sum % 3);", "setTwist completes DRB with 3"),
    ("model-read-edge", "src/cube/FaceCube.cpp", "cc->eo[i] = 1;", "cc->eo[i] = 0;",
     "a reversed edge is read unflipped"),
    ("model-colour-letters", "src/cube/FaceCube.cpp", 'colorOnFace[] = "rgwoby"',
     'colorOnFace[] = "rgwoyb"', "colour letters of L and B exchanged"),
    ("model-count-54", "src/cube/FaceCube.cpp", "i < facelets.length() && i < faceletCount",
     "i < facelets.length() && i <= faceletCount", "a 55th character is counted"),
    ("model-centres", "src/cube/FaceCube.cpp", "if (f[9 * face + 4] != face) return -9;",
     "if (f[9 * face + 4] != face) return -2;", "misplaced centres reported as Error 2"),
    ("tools-random-parity", "src/cube/Tools.cpp", "} while (cc.edgeParity() != cc.cornerParity());",
     "} while (cc.edgeParity() == 2);", "random cubes of unequal parities"),
    ("tables-move-power", "tools/maketables.cpp", "if (power < 3) table", "if (power < 2) table",
     "move tables lack the counter-clockwise turns"),
    ("tables-merge-order", "tools/maketables.cpp",
     "MergeURtoULandUBtoDF[cube.getURtoUL()][cube.getUBtoDF()]",
     "MergeURtoULandUBtoDF[cube.getUBtoDF()][cube.getURtoUL()]", "merge table transposed"),
    ("tables-bfs-depth", "tools/maketables.cpp", "static_cast<unsigned char>(depth + 1);",
     "static_cast<unsigned char>(depth + 2);", "pruning distances counted twice"),
    ("tables-write-nibbles", "src/tables/CoordCube.cpp", "    if ((index & 1) == 0) {\n        b &=",
     "    if ((index & 1) == 1) {\n        b &=", "pruning entries written into the wrong nibble"),
    ("tables-read-nibbles", "src/tables/CoordCube.h", "return (index & 1) == 0 ? b & 0x0f : b >> 4;",
     "return (index & 1) == 1 ? b & 0x0f : b >> 4;", "pruning entries read from the wrong nibble"),
    ("loader-short-file", "src/tables/CoordCube.cpp", "if (static_cast<std::size_t>(got) < size) {",
     "if (static_cast<std::size_t>(got) + 2 < size) {", "a file one entry short is accepted"),
    ("loader-no-digest", "src/tables/CoordCube.cpp",
     "if (CoordCube::digest(table.data, std::size_t(table.elementSize) * table.count) !=\n        table.digest) {",
     "if (false) {", "damaged tables accepted"),
    ("loader-one-digest", "src/tables/CoordCube.cpp", "        table.digest) {",
     "        table.digest && table.elementSize == 1) {", "move and merge tables not checked"),
    ("memory-cgroup-ignored", "src/tables/FreeMemory.cpp",
     "return least(systemAvailable(root), cgroupRoom(root));",
     "return std::max(systemAvailable(root), cgroupRoom(root));",
     "the larger of the machine's free memory and the cgroup's room taken, past a container's limit"),
    ("memory-own-group-only", "src/tables/FreeMemory.cpp",
     'if (path.empty() || path == "/" || slash == std::string::npos) return room;', "return room;",
     "a limit on a group above the process's own ignored"),
    ("memory-request-aborts", "src/requests/Request.cpp", "} catch (const std::bad_alloc&) {",
     "} catch (const std::length_error&) {", "a request short of memory ends the stream"),
    ("loader-fifo", "src/tables/CoordCube.cpp", "!S_ISREG(status.st_mode)", "S_ISDIR(status.st_mode)",
     "FIFOs and devices read as tables"),
    ("loader-free-nibble", "src/tables/CoordCube.cpp", "Slice_Twist_Prun[sizeof Slice_Twist_Prun - 1] |= 0xf0;",
     "Slice_Twist_Prun[sizeof Slice_Twist_Prun - 1] |= 0x00;", "the unused nibble counts"),
    ("loader-long-file", "src/tables/CoordCube.cpp", "if (static_cast<std::size_t>(status.st_size) > size) {",
     "if (false) {", "a file longer than its table accepted"),
    ("loader-install-dir", "src/tables/CoordCube.cpp",
     'directories.push_back(program + "/../share/cubesolver");', "",
     "installed tables not found"),
    ("loader-byte-order", "src/tables/CoordCube.cpp", "if (hostIsLittleEndian()) return;",
     "if (!hostIsLittleEndian()) return;", "16-bit entries read high byte first"),
    ("search-time-limit", "src/search/Search.cpp", "monotonicMillis() - request.start > request.limit",
     "request.start - monotonicMillis() > request.limit", "the time limit never fires"),
    ("search-move-rule", "src/tables/CoordCube.h", "return axis == previousAxis || axis == previousAxis - 3;",
     "return axis == previousAxis || axis == previousAxis + 3;", "move rule reversed"),
    # Not planted: phase 1 one depth past the limit and the subgroup left alone one depth later.
    # Both only cost time, and no test can tell them from the sound search.
    ("search-phase2-bound", "src/search/Search.cpp", "bound = std::max(\n", "bound = std::min(\n",
     "phase 2 takes the weaker of its bounds"),
    ("search-phase2-start", "src/search/Search.cpp", "if (boundA > maxDepthPhase2) return -1;",
     "if (boundA >= maxDepthPhase2) return -1;", "phase 2 refuses a completion of full length"),
    ("search-phase2-cap", "src/search/Search.cpp", "std::min(10, maxDepth - depthPhase1)",
     "std::min(9, maxDepth - depthPhase1)", "phase 2 stops one move early"),
    ("search-text", "src/search/Search.cpp", '{" ", "2 ", "\' "}', '{" ", "2 ", "\'"}',
     "no blank after a counter-clockwise turn"),
    ("bound-view-moves", "src/search/Search.cpp", "const int mY = CoordCube::seenTurnedYMove[m];",
     "const int mY = m;", "the turned view follows the moves unrelabelled"),
    ("bound-view-coordinates", "src/search/Search.cpp", "twistFlipBound(twistY, flipY)",
     "twistFlipBound(flipY, twistY)", "the view's twist and flip exchanged"),
    ("bound-table-moves", "tools/maketables.cpp", "CoordCube::flipMove[i % 2048][m];",
     "CoordCube::flipMove[i % 2048][0];", "Twist_Flip_Prun made with the wrong flip moves"),
    ("corner-edge-view", "src/tables/CornerEdgePrun.h", "symmetryTables[symmetry][udEdges];",
     "symmetryTables[symmetry / 2][udEdges];", "the U/D edges seen under another symmetry"),
    ("corner-edge-slice-parity", "src/tables/CornerEdgePrun.cpp", "parityOf(c.ep + 8, 4)",
     "parityOf(c.ep + 8, 3)", "the slice edges' parity misses one edge"),
    ("corner-edge-twins", "src/tables/CornerEdgePrun.cpp", "        for (int s : stabilizer[k]) {",
     "        for (int s : stabilizer[0]) {", "a class's symmetric entries left unset"),
    ("exact-phase1-view", "src/tables/FlipSliceTwistPrun.h", "twistSeen[twist][entry[1]];",
     "twistSeen[twist][0];", "the twist is not seen under the flip and slice's symmetry"),
    ("exact-phase1-step", "src/tables/FlipSliceTwistPrun.h", "- distance % 3 + 4) % 3 - 1;",
     "- distance % 3 + 3) % 3 - 1;", "a neighbour's distance decoded one off"),
    ("exact-phase1-descent", "src/tables/FlipSliceTwistPrun.cpp",
     "(distanceMod3(index(flip, slice, twist)) + 2) % 3", "(distanceMod3(index(flip, slice, twist)) + 1) % 3",
     "the descent steps away from the subgroup"),
    ("exact-phase1-root", "src/search/Search.cpp", "FlipSliceTwistPrun::distance(flip[0], slice[0], twist[0])",
     "FlipSliceTwistPrun::distance(flip[0], slice[0], 0)", "the cube's distance without its twist"),
    ("stream-sigpipe", "src/programs/streamMain.cpp", "    signal(SIGPIPE, SIG_IGN);\n", "",
     "a reader that has gone ends the stream program by a signal"),
    ("stream-unbounded", "src/programs/streamMain.cpp",
     "request.append(from, std::min(length, keep - request.size()));",
     "request.append(from, length);", "a long line is stored whole"),
    ("stream-last-line", "src/programs/streamMain.cpp", "if (n == 0) return started ? Line::read : Line::end;",
     "if (n == 0) return started ? Line::end : Line::end;",
     "a last line without a newline is dropped"),
    ("stream-write-failure", "src/programs/streamMain.cpp", "if (!writeLine(answer(request))) return 1;",
     "writeLine(answer(request));", "a lost answer does not end the stream program"),
    ("python-error", "python/cubesolver.py",
     "raise _explained_error(int(answer[6:]), facelets, block)", "return answer",
     "an Error line returned as a solution"),
    ("python-lock", "python/cubesolver.py",
     '            lines = self._exchange(request, asks_block, deadline).split("\\n")',
     '            self._lock.release()\n            lines = self._exchange(request, asks_block, deadline).split("\\n")',
     "calls from several threads interleave"),
    ("explain-no-swaps", "src/requests/ScanExplanation.cpp", "std::swap(cube[p], cube[q]);", "",
     "the repairs never swap two stickers"),
    ("explain-held-turn", "src/requests/ScanExplanation.cpp", "if (centred) return turn;",
     "if (centred) return (turn + 1) % count;", "the wrong turn of the whole cube"),
    ("explain-block-end", "src/requests/ScanExplanation.cpp", 'return block + "#end";', "return block;",
     "the block of --explain has no end a reader can see"),
    ("explain-reversed-ranking", "src/requests/ScanExplanation.cpp",
     "if (a.cost != b.cost) return a.cost < b.cost;", "if (a.cost != b.cost) return a.cost > b.cost;",
     "the repairs ranked least likely first"),
    ("explain-twist-one-way", "src/requests/ScanExplanation.cpp", "for (int k = 1; k <= 2; ++k) {",
     "for (int k = 1; k <= 1; ++k) {", "corners twisted back in one direction only"),
    ("explain-five-too-many", "src/requests/ScanExplanation.cpp", "if (likeliest > listed) {",
     "if (likeliest >= listed) {", "five equally likely repairs, all listed, called too many to tell"),
    ("explain-turn-back", "src/requests/ScanExplanation.cpp",
     "turned.backTo[turns[heldTurn].move.to[p]] = p;", "turned.backTo[p] = turns[heldTurn].move.to[p];",
     "a repair after a whole-cube turn marks the stickers the turn takes them to"),
    ("request-show-alone", "src/requests/Request.cpp",
     'if (o.explain || o.show) text += "\\n" + explanationBlock(',
     'if (o.explain) text += "\\n" + explanationBlock(', "--show without --explain prints no block"),
    ("python-newline", "python/cubesolver.py", '_WHITE_SPACE = " \\t\\n\\r\\v\\f"',
     '_WHITE_SPACE = " \\t\\r\\v\\f"',
     "a newline inside a request splits it into two cubes"),
    ("python-dead-program", "python/cubesolver.py", "if not data:\n                    self._died()",
     "if not data:\n                    raise EOFError()", "a program that has ended is not reported as such"),
    ("python-package-bin", "python/cubesolver.py", " or shutil.which(PROGRAM, path=_PACKAGE_BIN)", "",
     "a module installed from the wheel, with a PATH that lacks /usr/bin, misses the package's program"),
    ("python-owed-answer", "python/cubesolver.py",
     "        while self._unanswered:\n            self._next_response(deadline)\n", "",
     "the answer owed to an interrupted call is taken for the next cube's"),
    ("main-lost-output", "src/programs/main.cpp", "return std::cout.good() ? 0 : 1;", "return 0;",
     "a lost answer reported as success"),
    ("main-no-argument", "src/programs/main.cpp", "if (argc < 2) {", "if (argc < 1) {",
     "no argument is not handled"),
    ("options-range", "src/requests/RequestOptions.cpp", "readNumber(value, 0, 30, n)",
     "readNumber(value, 0, 31, n)", "--max-moves 31 accepted"),
    ("options-stream-error", "src/requests/Request.cpp", 'return "Option error: " + response.text;',
     "return response.text;", "an option error in the stream looks like no error"),
    ("options-target-error", "src/requests/Request.cpp", 'rejection("Target error ", targetCode)',
     'rejection("Error ", targetCode)', "a target's error taken for the cube's"),
    ("short-target-product", "src/search/ShortSearch.cpp",
     "target.invCubieCube(toSolve);\n    toSolve.cornerMultiply(cube);\n    toSolve.edgeMultiply(cube);",
     "cube.invCubieCube(toSolve);\n    toSolve.cornerMultiply(target);\n    toSolve.edgeMultiply(target);",
     "the target applied on the wrong side"),
    ("short-inverse-powers", "src/search/ShortSearch.cpp", "(view.inverse ? 2 - m % 3 : m % 3)", "m % 3",
     "the moves of an inverse view not inverted"),
    ("short-turned-faces", "src/search/ShortSearch.cpp",
     "for (int t = 0; t < view.turns; ++t) face = faceBeforeTurn(face);",
     "for (int t = 0; t < 0 * view.turns; ++t) face = faceBeforeTurn(face);",
     "the faces of a turned view not turned back"),
    ("short-stops-early", "src/search/ShortSearch.cpp", "limit = moveCount(answer) - 1;",
     "limit = moveCount(answer) - 1;\n            stop(answeredFirst);",
     "--shortest answers the first answer the views find"),
    ("short-first-found-wins", "src/search/ShortSearch.cpp",
     "if (!beforeAnswer(turn)) return;\n            answerTurn = turn;",
     "if (answered) return;\n            answerTurn = turn;\n            stop(answeredFirst);",
     "a move limit's answer is whichever thread finds one first"),
    ("short-first-longer", "src/search/ShortSearch.cpp", "limit = moveCount(first) - 1;",
     "limit = moveCount(first) + 1;", "the views may answer longer than the answer without options"),
    ("short-views-join", "src/search/ShortSearch.cpp",
     "if (waiting.empty() && (later.empty() || mostPhase1 >= preMoveFrom)) {",
     "if (waiting.empty()) {", "the views after a first move never join"),
    ("short-stabilizer", "src/search/ShortSearch.cpp", "if (image == v.cube) v.stabilizer |= 1 << s;",
     "v.stabilizer |= 1 << s;", "every symmetry taken for one that leaves the cube as it is"),
    ("short-symmetries-kept", "src/search/ViewSearch.cpp",
     "CubieCube::moveSeenUnder(s, m) == m) kept |= 1 << s;",
     "CubieCube::moveSeenUnder(s, m) != m) kept |= 1 << s;",
     "the symmetries that move a move taken for those that keep it"),
    ("short-twin-margin", "src/search/ViewSearch.cpp", "twinBound > limit - depthPhase1 + 1",
     "twinBound > limit - depthPhase1", "a quarter turn's twin dropped when it may still lead to an answer"),
    ("short-leaf-rule", "src/search/ViewSearch.cpp", "if (end == 1 && keepsSubgroup(m)) continue;",
     "if (end == 1 && !keepsSubgroup(m)) continue;", "phase 1 ends with a move of the subgroup"),
    ("short-exact-distance", "src/search/ViewSearch.cpp", "        list.distance[count] = d;\n        ++count;\n    }\n    list.count = count;\n}",
     "        list.distance[count] = d + 1;\n        ++count;\n    }\n    list.count = count;\n}",
     "the exact distances of a list carried one too high"),
    ("short-opposite-order", "src/search/ShortSearch.cpp",
     "if (kept[i] / 3 == kept[i + 1] / 3 + 3) std::swap(kept[i], kept[i + 1]);", "",
     "a view's answer keeps opposite faces in either order"),
    ("short-text-across-opposite", "src/search/ShortSearch.cpp",
     "if (at > 0 && kept[at - 1] / 3 == (face + 3) % 6) --at;", "",
     "moves on a face not joined across a move on its opposite face: answers such as U D D'"),
    ("short-phase1-only", "src/search/ViewSearch.cpp", "if (most < 0) return -1;",
     "if (most <= 0) return -1;", "an answer that phase 1 completes at the limit is dropped"),
    ("pattern-tetris", "src/cube/Patterns.cpp", "\"L R F B U' D' L' R'\"", "\"L R F B U D' L' R'\"",
     "a prime dropped from the tetris pattern's moves"),
    ("pattern-cube-in-cube", "src/cube/Patterns.cpp", "B D' B' L2 U\"", "B D B' L2 U\"",
     "a prime dropped from the cube-in-cube pattern's moves"),
    ("model-parse-55", "src/cube/FaceCube.cpp", "i < cubeString.length() && i < faceletCount",
     "i < cubeString.length() && i <= faceletCount", "a 55th face letter written past the facelets"),
    ("model-twist-3", "src/cube/FaceCube.cpp", "cc->co[i] = static_cast<unsigned char>(ori % 3);",
     "cc->co[i] = static_cast<unsigned char>(ori);", "a corner without a U or D sticker given twist 3"),
    ("loader-file-in-path", "src/tables/CoordCube.cpp", "if (errno == ENOENT || errno == ENOTDIR) continue;",
     "if (errno == ENOENT) continue;", "a file among the table directories stops the load"),
    ("loader-missing-kept", "src/tables/CoordCube.cpp", "if (failure.empty() && !missing) data = memory.release();",
     "if (failure.empty()) data = memory.release();",
     "memory for a missing optional table kept unread and used as the table"),
    ("stream-read-error", "src/programs/streamMain.cpp", "if (n < 0) return Line::failure;",
     "if (n < 0) return Line::end;", "a read error on standard input taken for its end"),
    ("resolve-parity", "src/requests/ColourResolution.cpp",
     "const int nextParity = parity ^ parityChange(mask, cubie);", "const int nextParity = parity;",
     "the resolution ignores the permutation parity"),
    ("resolve-orientation", "src/requests/ColourResolution.cpp",
     "sum += fits.term[facelets[position][(n + o) % Size]][colour[cubie][n]];",
     "sum += fits.term[facelets[position][n]][colour[cubie][n]];",
     "a piece's fit ignores its orientation"),
    ("resolve-probability", "src/requests/ColourResolution.cpp",
     "const double probability = std::exp(-misfits[i] / 2) / total;",
     "const double probability = std::exp(-misfits[i]) / total;",
     "candidates' probabilities on the wrong scale"),
    ("resolve-unfit", "src/requests/ColourResolution.cpp",
     "            resolution.unfit.push_back(p);\n", "",
     "a covered sticker goes unnoticed"),
    ("resolve-covered", "src/requests/ColourResolution.cpp",
     "if (resolution.distance[p] > ColourResolution::unfitDistance ||\n"
     "            covered(scan, p, law.mean)) {",
     "if (resolution.distance[p] > ColourResolution::unfitDistance) {",
     "a covered sticker taken for a dark one when the brightness spreads widely"),
    ("resolve-brightness", "src/requests/ColourResolution.cpp",
     "covariance[c][d] = spread.brightness * spread.brightness * m[c] * m[d];",
     "covariance[c][d] = c == d ? spread.brightness * spread.brightness * m[c] * m[d] : 0;",
     "the brightness factor moves each channel alone"),
    ("resolve-density-scale", "src/requests/ColourResolution.cpp",
     "law.logDeterminant += 2 * std::log(law.factor[i][i]);", "",
     "the density of a reading under a colour not scaled by the colour's spread"),
    ("resolve-scale", "src/requests/ColourResolution.cpp",
     "for (int c = 0; c < channels; ++c) result.mean[k][c] /= std::max(count[k], 1);",
     "for (int c = 0; c < channels; ++c) result.mean[k][c] = result.mean[k][c] / std::max(count[k], 1) + 0.5;",
     "the colours' means depend on the scale of the readings"),
    ("resolve-uncalibrated", "src/requests/ColourResolution.cpp",
     "return m + excess > 0 ? misfit * m / (m + excess) : misfit;",
     "return m + excess > 0 ? misfit : misfit * m / (m + excess);",
     "the runners-up's misfits taken at their likelihood's face value, uncalibrated"),
    ("resolve-unsettled", "src/requests/ColourResolution.cpp",
     "resolution.unfit.empty() && resolution.settled && resolution.confidence",
     "resolution.unfit.empty() && resolution.confidence",
     "a search that did not settle decides the cube"),
    ("resolve-recoloured-centres", "src/requests/ColourResolution.cpp",
     "if (p % 9 != 4) cube[p] = letters[turn[colourOf(facelets[p])]];",
     "cube[p] = letters[turn[colourOf(facelets[p])]];",
     "the recolourings exchange the centres' colours too, and none is a real cube"),
    ("python-unsettled", "python/cubesolver.py", 'found["settled"] = False', 'found["settled"] = True',
     "the module takes a search that did not settle for a decided cube"),
    ("readings-negative", "src/cube/StickerReadings.cpp",
     'return which + "is negative: " + quoted(word);', 'return which + "is no number: " + quoted(word);',
     "a negative reading reported as no number"),
    ("face-order-ignored", "src/cube/FaceOrder.cpp", "return 9 * faceOfBlock[p / 9] + p % 9;",
     "return 0 * faceOfBlock[p / 9] + p;", "--face-order has no effect"),
    ("report-scale", "src/requests/ScanReport.cpp", "255 * readings.rgb[sticker][c] / largest",
     "250 * readings.rgb[sticker][c] / largest", "the picture's colours scaled wrongly"),
    ("stream-readings-line", "src/programs/streamMain.cpp",
     "const std::size_t keep = options ? readingsLineLength + 1 : requestLength;",
     "const std::size_t keep = options ? optionLineLength + 1 : requestLength;",
     "a stream line of readings cut at 1024 characters"),
    ("request-readings-answer", "src/requests/Request.cpp",
     "? answerFor(request, resolution.facelets())",
     "? answerWithOptions(request, resolution.facelets())",
     "readings without options answered by the search for shorter answers"),
    ("python-readings-order", "python/cubesolver.py", "words.append(repr(value))",
     "words.insert(0, repr(value))", "the module sends the readings in reverse order"),
    ("module-lock-owner-test", "python/cubesolver.py",
     "            try:\n                self._lock.release()\n            except RuntimeError:\n"
     "                pass\n",
     "            if self._lock._is_owned():\n                self._lock.release()\n",
     "the lock is released after a test of its owner, a gap a signal handler's exception can fall into"),
    ("module-lock-outside-try", "python/cubesolver.py",
     "        try:\n"
     "            # Acquired inside the try: an exception that falls just after it still releases it.\n"
     "            if not self._lock.acquire(timeout=-1 if deadline is None\n"
     "                                      else max(deadline - time.monotonic(), 0)):\n"
     "                raise TimeoutError(\"the Solver was busy with other threads' cubes for %g s\"\n"
     "                                   % timeout)\n",
     "        if not self._lock.acquire(timeout=-1 if deadline is None\n"
     "                                  else max(deadline - time.monotonic(), 0)):\n"
     "            raise TimeoutError(\"the Solver was busy with other threads' cubes for %g s\"\n"
     "                               % timeout)\n"
     "        try:\n",
     "the lock is acquired before the try that releases it"),
    ("module-option-error-block", "python/cubesolver.py",
     'if end < 0 or not block or output.startswith((b"Option error", b"Memory error")):',
     'if end < 0 or not block or output.startswith(b"Memory error"):',
     "the module waits for a block after an option error, which has none"),
    ("module-leading-dash", "python/cubesolver.py", 'if text.startswith("-"):',
     'if text.startswith("-") and name == "facelets":',
     "a target that starts with '-' is sent, where the stream program reads it otherwise"),
    ("module-white-space", "python/cubesolver.py", '_WHITE_SPACE = " \\t\\n\\r\\v\\f"',
     '_WHITE_SPACE = " \\t\\n"', "\\r, \\v and \\f pass in a cube or a target, which Python splits at"),
    ("module-any-answer", "python/cubesolver.py", "_ANSWER_LINE = re.compile(r\"(?:[URFDLB][2']? )*\\Z|",
     "_ANSWER_LINE = re.compile(r\".*|", "any line is returned as an answer"),
    ("module-timeout-unchecked", "python/cubesolver.py", "or not timeout >= 0:", "or False:",
     "a NaN or negative timeout reaches the module's internals"),
    ("module-empty-cube", "python/cubesolver.py", "            if not facelets:\n",
     "            if not facelets and not options:\n",
     "an empty cube with options raises an error other than without them"),
    ("module-lookup-prefix-first", "python/cubesolver.py",
     'for directory in (_HERE, os.path.join(_HERE, "..", "..", "..", "bin")):',
     'for directory in (os.path.join(_HERE, "..", "..", "..", "bin"), _HERE):',
     "the prefix's bin/ is looked in before the module's own directory"),
    ("module-lookup-path-first", "python/cubesolver.py",
     '    for directory in (_HERE, os.path.join(',
     '    if shutil.which(PROGRAM):\n        return shutil.which(PROGRAM)\n'
     '    for directory in (_HERE, os.path.join(',
     "PATH is looked in before the module's own directory"),
    ("module-finalizer-first", "python/cubesolver.py",
     "        result = _end_process(self._process, grace)\n        self._finalizer.detach()\n"
     "        return result\n",
     "        self._finalizer.detach()\n        return _end_process(self._process, grace)\n",
     "the finalizer is dropped before the program has been waited for"),
    ("module-close-cut-unreaped", "python/cubesolver.py",
     "        except subprocess.TimeoutExpired:\n            pass\n    finally:\n",
     "        except subprocess.TimeoutExpired:\n            pass\n    except BaseException:\n"
     "        raise\n    if True:\n",
     "a close() cut off while it waits leaves the program running or unreaped"),
    ("module-error-6-held", "python/cubesolver.py", "or the cube was held with a wrong face up",
     "or the cube was", "the message of Error 6 does not tell of a cube held otherwise"),
]


def run(command, cwd, log, timeout):
    """Runs a command, its output appended to the log; True when it succeeds in time."""
    with open(log, "a") as out:
        try:
            return subprocess.run(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT,
                                  timeout=timeout).returncode == 0
        except subprocess.TimeoutExpired:
            out.write("timed out\n")
            return False


def failed_tests(build):
    path = os.path.join(build, "Testing", "Temporary", "LastTestsFailed.log")
    if not os.path.exists(path):
        return "?"
    with open(path) as f:
        names = [line.strip().split(":", 1)[-1] for line in f if line.strip()]
    return ", ".join(names[:3]) + (" ..." if len(names) > 3 else "")


def check(fault, copy, build, log):
    ident, name, old, new, _ = fault
    path = os.path.join(copy, name)
    with open(path) as f:
        original = f.read()
    if original.count(old) != 1:
        return "STALE (the text to change is not found exactly once)"
    with open(path, "w") as f:
        f.write(original.replace(old, new))
    try:
        if not run(["cmake", "--build", build, "-j", "2"], copy, log, 1200):
            return "caught by the build"
        # A fault that makes a test run past its time limit is caught by that limit.
        if not run(["ctest", "--test-dir", build, "-j", "2", "--stop-on-failure"], copy, log, 3600):
            return "caught: " + failed_tests(build)
        return "SURVIVED"
    finally:
        with open(path, "w") as f:
            f.write(original)


def main():
    args = sys.argv[1:]
    if args == ["--list"]:
        for ident, name, _, _, what in FAULTS:
            print(f"{ident:26} {name:22} {what}")
        return 0
    chosen = [f for f in FAULTS if not args or f[0] in args]
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    work = tempfile.mkdtemp(prefix="mutants.")
    copy = os.path.join(work, "src")
    build = os.path.join(work, "build")
    log = os.path.join(work, "log")
    files = subprocess.run(["git", "ls-files", "--cached", "--others", "--exclude-standard"],
                           cwd=root, capture_output=True, text=True, check=True).stdout.split()
    for name in files:
        os.makedirs(os.path.dirname(os.path.join(copy, name)), exist_ok=True)
        shutil.copy2(os.path.join(root, name), os.path.join(copy, name))
    # No link-time optimization: each rebuild then takes seconds, not a minute.
    if not (run(["cmake", "-S", copy, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                 "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2", "-DCUBESOLVER_TEST_TIMEOUT=120"],
                copy, log, 600)
            and run(["cmake", "--build", build, "-j", "2"], copy, log, 1200)
            and run(["ctest", "--test-dir", build, "-j", "2"], copy, log, 3600)):
        print(f"the unchanged copy does not pass its own suite; see {log}")
        return 1
    survived = 0
    for fault in chosen:
        start = time.time()
        result = check(fault, copy, build, log)
        survived += result.startswith(("SURVIVED", "STALE"))
        print(f"{fault[0]:26} {result}  ({time.time() - start:.0f} s)", flush=True)
    print(f"{len(chosen) - survived} of {len(chosen)} planted faults caught")
    shutil.rmtree(work)
    return 0 if survived == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
