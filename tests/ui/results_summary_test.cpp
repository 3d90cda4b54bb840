// The one line that sums up an apply or a compare: every failure it has to say, a failure that is
// not a setting's (the port lost, the read-back unanswered) included.
#include "ui/ProfileResultsView.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using O = KeyOutcome;

struct Row {
    const char* what;
    bool compare;
    std::vector<std::pair<ProfileKey, KeyOutcome>> keys;
    const char* error; // the run's error; "" when it went well
    const char* failure;
    const char* summary;
};

TEST(ResultsSummary, SaysEveryFailure) {
    const Row rows[] = {
        {"all taken",
         false,
         {{ProfileKey::Horn, O::Verified},
          {ProfileKey::Light, O::Verified},
          {ProfileKey::OutputFormat, O::Unchanged}},
         "",
         "",
         "2 settings applied and verified, 1 already as in the profile"},
        {"one did not take",
         false,
         {{ProfileKey::Horn, O::Mismatch}, {ProfileKey::Light, O::Verified}},
         "did not take: horn",
         "",
         "1 setting did not take: horn"},
        // The port went while the second command was out: both its failures are said.
        {"port lost after a setting failed",
         false,
         {{ProfileKey::Horn, O::Mismatch}, {ProfileKey::Light, O::NoReply}},
         "the port was lost while sending light",
         "the port was lost while sending light",
         "2 settings did not take: horn, light; the port was lost while sending light"},
        // Sent and answered, but never read back: not called verified.
        {"read-back unanswered",
         false,
         {{ProfileKey::Horn, O::NotVerifiable}, {ProfileKey::Light, O::Unchanged}},
         "reading the reader's parameters back: no reply",
         "reading the reader's parameters back: no reply",
         "0 settings applied and verified, 1 sent but not read back, 1 already as in the "
         "profile; reading the reader's parameters back: no reply"},
        {"first read unanswered",
         true,
         {},
         "reading the reader's parameters: no reply",
         "reading the reader's parameters: no reply",
         "reading the reader's parameters: no reply"},
        {"compare, one not reported",
         true,
         {{ProfileKey::Horn, O::Unchanged}, {ProfileKey::CardOutputFormat, O::NotVerifiable}},
         "",
         "",
         "The reader holds 1 setting of the profile; 1 not reported by the reader"},
        {"compare, port lost at the end",
         true,
         {{ProfileKey::Horn, O::Mismatch}},
         "the port was lost",
         "the port was lost",
         "1 setting differs from the profile: horn; the port was lost"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SequencerResult result;
        result.error = row.error;
        result.failure = row.failure;
        result.ok = result.error.empty();
        for (const auto& [key, outcome] : row.keys) {
            KeyResult k{key, "x", std::nullopt, std::nullopt, outcome, false};
            result.keys.push_back(k);
        }
        EXPECT_EQ(CProfileResultsView::SummaryText(result, row.compare).toStdString(), row.summary);
    }
}

} // namespace
