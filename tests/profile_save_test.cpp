#include "model/ProfileSave.h"
#include "model/TQLProfile.h"
#include "support/AppFixture.h"

namespace quarlo {
namespace {

class ProfileSaveTest : public test::AppFixture {};

TEST_F(ProfileSaveTest, TheNameIsTrimmedCheckedAndMatchedToAListedProfile) {
    auto app = makeApp();
    ASSERT_TRUE(app);
    TQLProfile profile = TQLProfile::defaults();
    ASSERT_TRUE(saveAsNamedProfile(*app, profile, "Site Copy"));

    auto fresh = profileSaveTarget(*app, "  Deep Images ");
    ASSERT_TRUE(fresh) << fresh.message();
    EXPECT_EQ(fresh->name, "Deep Images");
    EXPECT_FALSE(fresh->exists);

    // The listed spelling, so that overwriting replaces "Site Copy.qlp" itself.
    auto existing = profileSaveTarget(*app, "site COPY");
    ASSERT_TRUE(existing);
    EXPECT_EQ(existing->name, "Site Copy");
    EXPECT_TRUE(existing->exists);

    for (const char* refused : {"", "   ", "a/b", "..", "../up"})
        EXPECT_FALSE(profileSaveTarget(*app, refused)) << refused;
    EXPECT_NE(profileSaveTarget(*app, "a/b").message().find('/'), std::string::npos);
}

} // namespace
} // namespace quarlo
