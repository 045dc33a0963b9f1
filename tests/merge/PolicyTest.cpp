// The headless merge's decisions: every case, with and without an unedited side, under each rule.
#include <gtest/gtest.h>

#include "merge/Policy.h"

namespace korvane {
namespace {

TEST(Policy, DecisionsByCaseEqualityAndRule) {
    using B = DialogButton;
    struct Row {
        MergeCase mergeCase;
        bool localIsUnedited, remoteIsUnedited;
        B recommended;
        bool backup;            // the conflict copy can be made
        const char* decisions;  // under both, local, remote, newer: local remote unedited both dropped
        bool conflict, reported;
    };
    // clang-format off
    const Row rows[] = {
        {MergeCase::A, true, false, B::Server, false, "rrrr", false, true},    // added by the friend
        {MergeCase::A, false, false, B::Server, false, "rdrr", true, true},    // no unedited copy
        {MergeCase::B, false, true, B::Local, false, "llll", false, true},     // added by you
        {MergeCase::B, false, false, B::Local, false, "lldl", true, true},
        {MergeCase::C, false, false, B::Local, true, "blrl", true, true},      // added twice, differently
        {MergeCase::D, true, true, B::Original, false, "dddd", false, false},  // deleted on both sides
        {MergeCase::E, false, true, B::Local, false, "dddd", false, true},     // deleted by you only
        {MergeCase::E, false, false, B::Local, false, "rdrd", true, true},     // deleted by you, edited by the friend
        {MergeCase::F, true, false, B::Server, false, "dddd", false, true},
        {MergeCase::F, false, false, B::Server, false, "lldd", true, true},
        {MergeCase::G, true, false, B::Server, true, "rrrr", false, true},     // edited by the friend only
        {MergeCase::G, false, true, B::Local, true, "llll", false, true},
        {MergeCase::G, false, false, B::Server, true, "blrr", true, true},     // edited on both sides
    };
    // clang-format on
    const ConflictRule rules[] = {ConflictRule::Both, ConflictRule::Local, ConflictRule::Remote,
                                  ConflictRule::Newer};
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        ConflictRequest r;
        r.mergeCase = row.mergeCase, r.localIsUnedited = row.localIsUnedited, r.boldButton = row.recommended;
        r.remoteIsUnedited = row.remoteIsUnedited;
        r.disabledButtons = row.backup ? std::set<B>{} : std::set<B>{B::Backup};
        for (std::size_t k = 0; k < 4; ++k) {
            const Settlement s = settleByRule(r, rules[k]);
            EXPECT_EQ(decisionName(s.decision).front(), row.decisions[k]) << "row " << i << " rule " << k;
            EXPECT_EQ(std::pair(s.conflict, s.reported), std::pair(row.conflict, row.reported))
                << "row " << i;
        }
    }
}

}  // namespace
}  // namespace korvane
