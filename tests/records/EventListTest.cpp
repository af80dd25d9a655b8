// The event tags of a photo and their text form.
#include <gtest/gtest.h>

#include "records/CEventList.h"

namespace {

using Tags = std::vector<std::string>;

TEST(EventListTest, TextFormKeepsOrderWithoutEmptiesOrRepeats) {
  CEventList events;
  events.AddFromText(" |a||b|a| ");
  EXPECT_EQ(events.Tags(), (Tags{"a", "b"}));
  EXPECT_EQ(events.ToText(), "|a|b|");

  events.SetFromText("wedding|table 4");
  EXPECT_EQ(events.ToText(), "|wedding|table 4|");
  events.Add("Wedding");  // repeats are told apart by case
  events.RemoveFromText("|wedding|");
  EXPECT_EQ(events.Tags(), (Tags{"table 4", "Wedding"}));

  events.SetFromText("   ");
  EXPECT_EQ(events.ToText(), "");
}

TEST(EventListTest, TagHoldingTheSeparatorIsRefused) {
  CEventList events;
  EXPECT_TRUE(events.Add("a"));
  EXPECT_FALSE(events.Add("b|c"));
  EXPECT_EQ(events.ToText(), "|a|");
  CEventList copy = events;
  copy.Add("d");
  EXPECT_EQ(events.ToText(), "|a|");
  EXPECT_EQ(copy.ToText(), "|a|d|");
}

}  // namespace
