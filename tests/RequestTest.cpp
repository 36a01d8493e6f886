#include <gtest/gtest.h>

#include "ProcessSupport.h"
#include "TestSupport.h"
#include "cube/Patterns.h"
#include "requests/Request.h"
#include "search/Search.h"
#include "search/ShortSearch.h"
#include "search/ViewSearch.h"
#include "tables/FlipSliceTwistPrun.h"

namespace fs = std::filesystem;

namespace {

TEST(RequestOptions, WordsGiveTheOptionsOrOneError) {
    struct Case {
        std::vector<std::string> words;
        int maxMoves;
        long timeLimit;
        bool shortest;
        std::string target, cube;
        int threads = 0;
    };
    const std::string c = solvedFacelets;
    const Case accepted[] = {
        {{c, "--shortest"}, 24, 5120, false, "", c},  // no options: later words ignored
        {{"--max-moves", "0", "--time-limit=1", c}, 0, 1, false, "", c},
        {{"--max-moves=30", "--shortest", "--target=superflip", c}, 30, 5120, true, "superflip", c},
        {{"--time-limit", "3600000", "--help"}, 24, 3600000, false, "", ""},
        {{"--threads=64", c}, 24, 5120, false, "", c, 64},
    };
    for (const Case& t : accepted) {
        const ParsedRequest r = parseRequest(t.words);
        const RequestOptions& o = r.options;
        EXPECT_EQ(std::tie(r.error, o.maxMoves, o.timeLimitMillis, o.shortest, o.target, r.cube,
                           o.threads),
                  std::make_tuple(std::string(), t.maxMoves, t.timeLimit, t.shortest, t.target,
                                  t.cube, t.threads))
            << ::testing::PrintToString(t.words);
    }
    const std::vector<std::string> refused[] = {
        {"--max-moves", "31", c},
        {"--max-moves", "-1", c},
        {"--time-limit", "0", c},
        {"--time-limit", "99999999999999999999", c},
        {"--max-moves", "2x", c},
        {"--shortest=1", c},
        {"--target=", c},
        {"--fewest", c},
        {"-", c},
        {"--shortest"},
        {"--max-moves"},
        {"--shortest", c, c},
        {"--threads", "0", c},
        {"--threads", "65", c},
    };
    for (const auto& words : refused) {
        EXPECT_NE(parseRequest(words).error, "") << ::testing::PrintToString(words);
    }
    EXPECT_EQ(splitWords(" \t--shortest  X\t"), (std::vector<std::string>{"--shortest", "X"}));
}

TEST(Patterns, MovesMakeTheNamedPatterns) {
    // Each pattern's stickers as it looks: the checkerboard's opposite colours on the edges, the
    // superflip's edges showing their other face, the spots ringed by a neighbour's colour, the
    // 2x2x2 cube at URF, the tetris halves.
    const std::pair<std::string, std::string> looks[] = {
        {"checkerboard", "UDUDUDUDURLRLRLRLRFBFBFBFBFDUDUDUDUDLRLRLRLRLBFBFBFBFB"},
        {"superflip", "UBULURUFURURFRBRDRFUFLFRFDFDFDLDRDBDLULBLFLDLBUBRBLBDB"},
        {"six-spots", "FFFFUFFFFUUUURUUUURRRRFRRRRBBBBDBBBBDDDDLDDDDLLLLBLLLL"},
        {"cube-in-cube", "FFFFUUFUURRURRUUUURFFRFFRRRBBBDDBDDBDDDLLDLLDLLLLBBLBB"},
        {"tetris", "FFBFUBFBBUDDURDUUDRLLRFLRRLBBFBDFBFFUDDULDUUDLRRLBRLLR"},
    };
    ASSERT_EQ(Patterns::count, 5);
    for (const auto& [name, look] : looks) EXPECT_EQ(Patterns::facelets(name), look) << name;
    CubieCube cube;
    EXPECT_FALSE(Patterns::applyMoves(cube, "R2 X"));
    EXPECT_FALSE(Patterns::applyMoves(cube, "R3"));
    EXPECT_TRUE(cube == CubieCube());
}

// The cube the answer turns the cube into, or an error line.
std::string turnedBy(const std::string& cube, const std::string& answer) {
    if (answer.rfind("Error", 0) == 0 || answer.rfind("Target", 0) == 0) return answer;
    EXPECT_TRUE(keepsMoveRule(answer)) << answer;
    CubieCube turned = *FaceCube(cube).toCubieCube();
    Patterns::applyMoves(turned, answer);
    return faceletsOf(turned);
}

int moveCount(const std::string& answer) {
    return static_cast<int>(std::count(answer.begin(), answer.end(), ' '));
}

TEST(Request, AnswersWithOptionsTurnRandomCubesIntoRandomTargetsAndPatterns) {
    // Random cubes to the solved cube, to random cubes and to the patterns: within the move
    // limit without a time limit that could strike on a slow machine, the shortest answer of a
    // short time (or "Error 8" when none was found in it), and the cube already at its target.
    std::mt19937 rng(17);
    for (int i = 0; i < 30; ++i) {
        const std::string cube = faceletsOf(Tools::randomCubie(rng));
        std::string target = i % 3 == 0 ? solvedFacelets : faceletsOf(Tools::randomCubie(rng));
        std::string name;
        if (i % 3 == 1) {
            name = Patterns::all[i % Patterns::count].name;
            target = Patterns::facelets(name);
        }
        const std::vector<std::string> words[] = {
            {"--max-moves", "20", "--time-limit", "3600000", "--target",
             name.empty() ? target : name, cube},
            {"--shortest", "--time-limit", "10", "--target", target, cube},
            {"--max-moves", "0", "--target", target, target},
        };
        for (const auto& w : words) {
            const Response r = Request::respond(w);
            ASSERT_EQ(r.kind, Response::answer);
            if (&w == words + 1 && r.text == "Error 8") continue;
            EXPECT_EQ(turnedBy(w.back(), r.text), target)
                << ::testing::PrintToString(w) << " -> " << r.text;
            EXPECT_LE(moveCount(r.text), &w == words ? 20 : 24) << r.text;
        }
        EXPECT_EQ(Request::respond(words[2]).text, "");
    }
}

TEST(Request, NoOptionMakesAnAnswerLonger) {
    // Each answer with options, replayed, against the answer without options: the same answer
    // when that one is within the options, else no longer (a short time limit may pass first on
    // an emulated processor), and within the move limit.
    std::mt19937 rng(29);
    for (int i = 0; i < 40; ++i) {
        const std::string cube = faceletsOf(Tools::randomCubie(rng));
        const int plain = moveCount(Search::answer(cube));
        const std::vector<std::string> words[] = {
            {"--time-limit", "5120", cube},
            {"--max-moves", "21", "--time-limit", "3600000", cube},
            {"--shortest", "--time-limit", "20", "--threads", "1", cube},
            {"--shortest", "--time-limit", "20", "--threads", "2", cube},
        };
        for (const auto& w : words) {
            const std::string answer = Request::respond(w).text;
            const std::string where = ::testing::PrintToString(w) + " -> " + answer;
            if (answer == "Error 8" && &w >= words + 2) continue;
            ASSERT_EQ(turnedBy(cube, answer), solvedFacelets) << where;
            if (&w == words || (&w == words + 1 && plain <= 21)) {
                EXPECT_EQ(answer, Search::answer(cube)) << where;
            }
            EXPECT_LE(moveCount(answer), &w == words + 1 ? std::min(plain, 21) : plain) << where;
        }
    }
}

TEST(Request, AMoveLimitGivesTheSameAnswerOnAnyNumberOfThreads) {
    // Where the answer without options is too long, other threads may find an answer within the
    // limit sooner than the one a single thread finds first; the answer is still that one.
    bool missing;
    ASSERT_EQ(FlipSliceTwistPrun::load({CUBESOLVER_TABLE_DIR}, missing), "");
    for (const auto& [cube, line] : expectedAnswers()) {
        if (moveCount(line) <= 21) continue;
        for (const char* limit : {"20", "21"}) {
            std::vector<std::string> words = {
                "--max-moves", limit, "--time-limit", "3600000", "--threads", "1", cube};
            const std::string one = Request::respond(words).text;
            for (const char* threads : {"2", "3", "5", "8", "16", "64"}) {
                words[5] = threads;
                EXPECT_EQ(Request::respond(words).text, one) << limit << " " << threads << cube;
            }
        }
    }
    FlipSliceTwistPrun::unload();
}

TEST(ShortSearch, ExhaustedSearchesAgreeOnTheShortestLength) {
    // Scrambles of up to 8 moves and symmetric patterns, searched until every shorter answer has
    // been tried: with the smaller tables' bounds, with the exact phase-1 table, and on two
    // threads, each answer solves the cube in the same number of moves, no more than made it.
    // Then the superflip within 20 moves, which only the views after a first move find.
    std::mt19937 rng(31);
    std::vector<std::pair<CubieCube, int>> cubes;
    for (int i = 0; i < 30; ++i) {
        CubieCube scrambled;
        for (int k = 0; k < i % 9; ++k) applyMove(scrambled, static_cast<int>(rng() % 18));
        cubes.emplace_back(scrambled, i % 9);
    }
    for (const char* name : {"checkerboard", "six-spots", "tetris"}) {
        const Patterns::Pattern* pattern = std::find_if(
            Patterns::all, Patterns::all + Patterns::count,
            [name](const Patterns::Pattern& p) { return std::string(p.name) == name; });
        CubieCube cube;
        ASSERT_TRUE(Patterns::applyMoves(cube, pattern->moves));
        cubes.emplace_back(cube, moveCount(std::string(pattern->moves) + " "));
    }
    bool missing;
    ASSERT_EQ(FlipSliceTwistPrun::load({CUBESOLVER_TABLE_DIR}, missing), "");
    unsigned char* const exact = FlipSliceTwistPrun::distances;
    for (const auto& [cube, made] : cubes) {
        std::vector<int> lengths;
        for (int run = 0; run < 3; ++run) {
            FlipSliceTwistPrun::distances = run == 0 ? nullptr : exact;
            ShortSearchLimits limits = {24, 3600000, true};
            limits.threads = run == 2 ? 2 : 1;
            const std::string answer = ShortSearch::solve(cube, CubieCube(), limits);
            ASSERT_EQ(turnedBy(faceletsOf(cube), answer), solvedFacelets) << answer;
            lengths.push_back(moveCount(answer));
        }
        EXPECT_LE(lengths[0], made) << faceletsOf(cube);
        EXPECT_EQ(lengths[1], lengths[0]) << faceletsOf(cube);
        EXPECT_EQ(lengths[2], lengths[0]) << faceletsOf(cube);
    }
    // A view searched up to the length of a scramble of quarter turns off the U-D axis finds an
    // answer no longer, though phase 1 alone may have to reach it, with phase 2 left no move.
    for (int i = 0; i < 20; ++i) {
        CubieCube cube;
        const int length = 1 + i % 4;
        for (int k = 0; k < length; ++k)
            applyMove(cube, 3 * (1 + (i + k) % 2 + 3 * (rng() % 2)) + 2 * (rng() % 2));
        ViewSearch search;
        search.start(cube);
        long long budget = 1LL << 40;
        ViewSearch::Phase2Depth scratch[ViewSearch::capacity + 1];
        ASSERT_EQ(search.run(budget, length, ViewSearch::capacity, scratch), ViewSearch::found);
        for (int k = 0; k < search.length; ++k) applyMove(cube, search.moves[k]);
        EXPECT_TRUE(cube == CubieCube() && search.length <= length) << i;
    }
    const std::string superflip = Patterns::facelets("superflip");
    const std::string answer =
        Request::respond({"--max-moves", "20", "--time-limit", "3600000", superflip}).text;
    EXPECT_EQ(turnedBy(superflip, answer), solvedFacelets) << answer;
    EXPECT_LE(moveCount(answer), 20) << answer;
    FlipSliceTwistPrun::unload();
}

TEST(ShortSearch, AnswerTextJoinsMovesOnAFaceAcrossItsOppositeAndOrdersOppositeFaces) {
    // A view after a first move may give such sequences: the text turns the cube as the moves do
    // and keeps the move rule, which also leaves no face on both sides of its opposite.
    const std::pair<const char*, const char*> cases[] = {
        {"D U D'", "U "}, {"D U D2", "U D' "},  {"U D U D'", "U2 "}, {"R L R' L'", ""},
        {"L R", "R L "},  {"F B' F", "F2 B' "}, {"B R R' B", "B2 "}, {"R U R'", "R U R' "},
    };
    const auto movesOf = [](const std::string& text) {
        std::vector<int> moves;
        std::istringstream words(text);
        for (std::string w; words >> w;) {
            const int power = w.size() == 1 ? 0 : w[1] == '2' ? 1 : 2;
            moves.push_back(3 * static_cast<int>(std::string("URFDLB").find(w[0])) + power);
        }
        return moves;
    };
    for (const auto& [moves, text] : cases) EXPECT_EQ(ShortSearch::movesText(movesOf(moves)), text);
    std::mt19937 rng(41);
    for (int n = 0; n < 2000; ++n) {
        std::vector<int> moves;
        CubieCube byMoves, byText;
        for (int k = 0; k < n % 13; ++k) {
            // Mostly the faces of one axis, so that moves on a face meet across its opposite.
            const int face = rng() % 4 == 0 ? static_cast<int>(rng() % 6) : n % 3 + 3 * (rng() % 2);
            moves.push_back(3 * face + static_cast<int>(rng() % 3));
            applyMove(byMoves, moves.back());
        }
        const std::string text = ShortSearch::movesText(moves);
        Patterns::applyMoves(byText, text);
        EXPECT_TRUE(byMoves == byText && keepsMoveRule(text)) << text;
    }
}

TEST(Request, ErrorsOfTheCubeAndOfTheTargetAreToldApart) {
    const std::string scrambled = expectedAnswers()[0].first;
    const std::string flipped = "UUUUURUUURURRRRRRRFFFFFFFFFDDDDDDDDDLLLLLLLLLBBBBBBBBB";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--shortest", flipped}, "Error 3"},
        {{"--target", flipped, scrambled}, "Target error 3"},
        {{"--target", "chessboard", scrambled}, "Target error 1"},
        {{"--target", scrambled, flipped}, "Error 3"},
    };
    for (const auto& [words, line] : cases) {
        EXPECT_EQ(Request::respond(words).text, line) << ::testing::PrintToString(words);
    }
    EXPECT_EQ(Request::streamAnswer("-" + scrambled),
              "Option error: unknown option \"-" + scrambled + "\"");
    EXPECT_EQ(Request::streamAnswer("--version"),
              "Option error: --help and --version are options of the command line "
              "(cubesolver-stream --help)");
}

TEST(BothPrograms, HelpAndVersionAreTheirOwn) {
    for (const char* program : {CUBESOLVER_EXE, CUBESOLVER_STREAM_EXE}) {
        const ProcessResult help = runProgram(program, {"--help"}, fs::temp_directory_path());
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind("Usage: ", 0), 0u) << help.out;
        EXPECT_EQ(runProgram(program, {"--version"}, fs::temp_directory_path()).out,
                  fs::path(program).filename().string() + " 1.0\n");
    }
}

}  // namespace
