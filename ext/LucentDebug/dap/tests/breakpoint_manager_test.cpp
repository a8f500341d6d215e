#include "breakpoint_manager.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// An engine that numbers breakpoints and refuses a second one on a line.
struct FakeEngine {
  std::map<long, std::pair<std::string, int>> entries;
  std::vector<std::string> conditions;
  long next = 1;
  BreakpointEngine api() {
    return BreakpointEngine{[this](const std::string& path, int line, const std::string& cond) {
                              for (const auto& [number, place] : entries) {
                                if (place == std::make_pair(path, line)) return 0L;
                              }
                              conditions.push_back(cond);
                              entries[next] = {path, line};
                              return next++;
                            },
                            [this](long number) { entries.erase(number); }, nullptr};
  }
};

BreakpointSpec Line(int line) {
  BreakpointSpec spec;
  spec.line = line;
  return spec;
}

TEST(HitCondition, ParsesEveryOperator) {
  EXPECT_TRUE(ParseHitCondition("5")->met(5));
  EXPECT_FALSE(ParseHitCondition("5")->met(4));
  EXPECT_TRUE(ParseHitCondition(">= 5")->met(6));
  EXPECT_FALSE(ParseHitCondition(">5")->met(5));
  EXPECT_TRUE(ParseHitCondition("==3")->met(3));
  EXPECT_FALSE(ParseHitCondition("=3")->met(4));
  EXPECT_TRUE(ParseHitCondition("<3")->met(2));
  EXPECT_FALSE(ParseHitCondition("<=3")->met(4));
  EXPECT_TRUE(ParseHitCondition("%3")->met(6));
  EXPECT_FALSE(ParseHitCondition("%3")->met(7));
}

TEST(HitCondition, RejectsWhatIsNotACount) {
  for (const char* text : {"", "often", ">", "5x", "%0", "-3", ">=>3", "99999999999999999999"}) {
    EXPECT_FALSE(ParseHitCondition(text)) << text;
  }
}

TEST(LogMessage, SplitsTextAndExpressions) {
  auto parts = ParseLogMessage("a={$a} {{x}} b={$o->b}");
  ASSERT_TRUE(parts);
  ASSERT_EQ(parts->size(), 4u);
  EXPECT_FALSE((*parts)[0].isExpression);
  EXPECT_EQ((*parts)[0].text, "a=");
  EXPECT_TRUE((*parts)[1].isExpression);
  EXPECT_EQ((*parts)[1].text, "$a");
  EXPECT_EQ((*parts)[2].text, " {x} b=");
  EXPECT_EQ((*parts)[3].text, "$o->b");
}

TEST(LogMessage, RejectsUnbalancedBraces) {
  for (const char* text : {"{", "a}", "{}", "x {$a"}) EXPECT_FALSE(ParseLogMessage(text)) << text;
}

TEST(BreakpointManager, SetIsPendingUntilSynced) {
  BreakpointManager manager;
  FakeEngine engine;
  auto states = manager.set("/a.php", {Line(3)});
  ASSERT_EQ(states.size(), 1u);
  EXPECT_FALSE(states[0].verified);
  EXPECT_TRUE(manager.pending());
  auto changed = manager.sync(engine.api());
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_TRUE(changed[0].verified);
  EXPECT_FALSE(manager.pending());
  EXPECT_EQ(engine.entries.size(), 1u);
}

TEST(BreakpointManager, ReplacingASourceRemovesItsOldEngineBreakpoints) {
  BreakpointManager manager;
  FakeEngine engine;
  manager.set("/a.php", {Line(3), Line(5)});
  manager.sync(engine.api());
  manager.set("/a.php", {Line(5)});
  manager.sync(engine.api());
  ASSERT_EQ(engine.entries.size(), 1u);
  EXPECT_EQ(engine.entries.begin()->second.second, 5);
  EXPECT_EQ(manager.at("/a.php", 3), nullptr);
  EXPECT_NE(manager.at("/A.PHP", 5), nullptr);
}

TEST(BreakpointManager, KeepsIdAndHitsOfABreakpointThatStaysOnItsLine) {
  BreakpointManager manager;
  FakeEngine engine;
  int id = manager.set("/a.php", {Line(3)})[0].id;
  manager.sync(engine.api());
  manager.at("/a.php", 3)->hits = 2;
  auto states = manager.set("/a.php", {Line(3), Line(4)});
  EXPECT_EQ(states[0].id, id);
  EXPECT_EQ(states[0].hits, 2);
  EXPECT_NE(states[1].id, id);
}

TEST(BreakpointManager, SecondBreakpointOnALineIsNotVerified) {
  BreakpointManager manager;
  FakeEngine engine;
  manager.set("/a.php", {Line(3), Line(3)});
  auto changed = manager.sync(engine.api());
  ASSERT_EQ(changed.size(), 2u);
  EXPECT_TRUE(changed[0].verified);
  EXPECT_FALSE(changed[1].verified);
  EXPECT_FALSE(changed[1].message.empty());
}

TEST(BreakpointManager, ConditionGoesToTheEngineButBadHitConditionNeverDoes) {
  BreakpointManager manager;
  FakeEngine engine;
  BreakpointSpec conditional = Line(3);
  conditional.condition = "$i > 2";
  BreakpointSpec bad = Line(4);
  bad.hitCondition = "sometimes";
  manager.set("/a.php", {conditional, bad});
  auto changed = manager.sync(engine.api());
  EXPECT_EQ(engine.conditions, std::vector<std::string>{"$i > 2"});
  EXPECT_FALSE(changed[1].verified);
  EXPECT_NE(changed[1].message.find("hit condition"), std::string::npos);
}

TEST(BreakpointManager, RemoveAllEmptiesTheEngine) {
  BreakpointManager manager;
  FakeEngine engine;
  manager.set("/a.php", {Line(3)});
  manager.set("/b.php", {Line(4)});
  manager.sync(engine.api());
  manager.set("/a.php", {});  // pending removal
  manager.removeAll(engine.api());
  EXPECT_TRUE(engine.entries.empty());
  EXPECT_EQ(manager.at("/b.php", 4), nullptr);
}

// Each request's engine gets the editor's breakpoints with the same ids, and
// later changes keep the copies in step.
TEST(BreakpointManager, CopiesForAnotherEngineKeepIdsAndStayInStep) {
  BreakpointManager editor;
  FakeEngine first;
  editor.set("/a.php", {Line(3), Line(7)});
  editor.sync(first.api());
  editor.at("/a.php", 3)->hits = 4;

  BreakpointManager copy = editor.forAnotherEngine();
  FakeEngine second;
  EXPECT_TRUE(copy.pending());
  std::vector<BreakpointState> synced = copy.sync(second.api());
  ASSERT_EQ(synced.size(), 2u);
  EXPECT_EQ(second.entries.size(), 2u);
  EXPECT_EQ(synced[0].id, editor.of("/a.php")[0].id);
  EXPECT_TRUE(synced[0].verified);
  EXPECT_EQ(copy.at("/a.php", 3)->hits, 0);

  std::vector<BreakpointState> mine = editor.set("/a.php", {Line(7), Line(9)});
  std::vector<BreakpointState> theirs = copy.set("/a.php", {Line(7), Line(9)});
  EXPECT_EQ(mine[0].id, theirs[0].id);
  EXPECT_EQ(mine[1].id, theirs[1].id);
  copy.sync(second.api());
  EXPECT_EQ(second.entries.size(), 2u);
}

TEST(BreakpointManager, TakesTheEngineResolutionAtSyncAndOnceTheFileIsCompiled) {
  FakeEngine fake;
  // Lines 4 and 9 of /a.php: 4 moves to 5, 9 can stop nowhere; /b.php is not compiled yet.
  std::map<long, BreakpointResolution> where;
  BreakpointEngine engine = fake.api();
  engine.resolve = [&where](long number) -> std::optional<BreakpointResolution> {
    return where.count(number) ? std::optional<BreakpointResolution>(where[number]) : std::nullopt;
  };
  where[1] = {1, "/a.php", 4, 5, true};
  where[2] = {2, "/a.php", 9, 0, false};
  where[3] = {3, "/b.php", 2, 0, true};
  BreakpointManager manager;
  manager.set("/a.php", {Line(4), Line(9)});
  manager.set("/b.php", {Line(2)});
  manager.sync(engine);
  std::vector<BreakpointState> a = manager.of("/a.php");
  EXPECT_EQ(a[0].resolvedLine, 5);
  EXPECT_TRUE(a[0].verified);
  EXPECT_FALSE(a[1].verified);
  EXPECT_NE(a[1].message.find("no line at or after line 9"), std::string::npos);
  EXPECT_EQ(manager.at("/a.php", 5)->id, a[0].id);
  EXPECT_EQ(manager.of("/b.php")[0].resolvedLine, 0);

  EXPECT_TRUE(manager.resolve(engine).empty());  // nothing compiled meanwhile
  where[3].resolvedLine = 3;
  std::vector<BreakpointState> changed = manager.resolve(engine);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].resolvedLine, 3);
  EXPECT_TRUE(manager.resolve(engine).empty());
}

}  // namespace
