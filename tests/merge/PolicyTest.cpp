// The headless merge's decisions: every case, with and without an unedited side, under each rule.
#include <gtest/gtest.h>

#include <tuple>

#include "merge/run/Policy.h"

namespace korvane {
namespace {

TEST(Policy, DecisionsByCaseEqualityAndRule) {
    using B = Side;
    // Case, local and remote unedited, recommended side; the decisions under both, local, remote and
    // newer (local remote unedited both dropped), whether a conflict, and reported.
    // clang-format off
    const std::tuple<MergeCase, bool, bool, B, const char*, bool, bool> rows[] = {
        {MergeCase::A, true, false, B::Remote, "rrrr", false, true},    // added by the friend
        {MergeCase::A, false, false, B::Remote, "rdrr", true, true},    // no unedited copy
        {MergeCase::B, false, true, B::Local, "llll", false, true},     // added by you
        {MergeCase::B, false, false, B::Local, "lldl", true, true},
        {MergeCase::C, false, false, B::Local, "blrl", true, true},      // added twice, differently
        {MergeCase::D, true, true, B::Unedited, "dddd", false, false},  // deleted on both sides
        {MergeCase::E, false, true, B::Local, "dddd", false, true},     // deleted by you only
        {MergeCase::E, false, false, B::Local, "rdrd", true, true},     // deleted by you, edited by the friend
        {MergeCase::F, true, false, B::Remote, "dddd", false, true},
        {MergeCase::F, false, false, B::Remote, "lldd", true, true},
        {MergeCase::G, true, false, B::Remote, "rrrr", false, true},     // edited by the friend only
        {MergeCase::G, false, true, B::Local, "llll", false, true},
        {MergeCase::G, false, false, B::Remote, "blrr", true, true},     // edited on both sides
    };
    const ConflictRule rules[] = {ConflictRule::Both, ConflictRule::Local, ConflictRule::Remote, ConflictRule::Newer};
    // clang-format on
    for (const auto& [mergeCase, lU, rU, bold, decisions, conflict, reported] : rows) {
        PlanItem r;
        r.mergeCase = mergeCase, r.localIsUnedited = lU, r.remoteIsUnedited = rU;
        r.recommended = bold;
        for (std::size_t k = 0; k < 4; ++k) {
            const Settlement s = settleByRule(r, rules[k]);
            EXPECT_EQ(decisionName(s.outcome, mergeCase).front(), decisions[k])
                << static_cast<char>(mergeCase) << k;
            EXPECT_EQ(std::pair(s.conflict, s.reported), std::pair(conflict, reported)) << decisions;
        }
    }
}

}  // namespace
}  // namespace korvane
