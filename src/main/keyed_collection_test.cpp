#include "main/keyed_collection.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace tovask {
namespace {

std::int32_t FailureNumber(const std::function<void()>& call) {
  try {
    call();
  } catch (const Failure& failure) {
    return failure.number();
  }
  return 0;
}

TEST(KeyedCollectionTest, KeysIgnoreCaseAcrossUnicode) {
  struct Row {
    const char* stored;
    const char* lookedUp;
    bool sameKey;
  };
  const Row rows[] = {
      {"abc", "ABC", true},        {"Müller", "MÜLLER", true},
      {"straße", "STRASSE", true},  // full case folding
      {"ΟΔΟΣ", "οδος", true},      {"Müller", "Muller", false},
      {"abc", "abd", false},       {"", "", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.stored) + " / " + row.lookedUp);
    KeyedCollection<int> collection;
    collection.Add(row.stored, 1);
    EXPECT_EQ(HasKey(collection, row.lookedUp), row.sameKey);
    EXPECT_EQ(FailureNumber([&] { collection.Add(row.lookedUp, 2); }), row.sameKey ? 457 : 0);
    EXPECT_EQ(collection.Count(), row.sameKey ? 1 : 2);
    EXPECT_EQ(collection.Item(row.stored), 1);
    EXPECT_EQ(collection.KeyAt(1), row.stored);  // the key keeps its spelling
  }
}

TEST(KeyedCollectionTest, KeepsInsertionOrderThroughRemovals) {
  KeyedCollection<std::unique_ptr<std::string>> collection;
  for (const char* key : {"a", "B", "c", "D", "e"}) {
    collection.Add(key, std::make_unique<std::string>(std::string("item ") + key));
  }
  collection.Remove("C");
  collection.RemoveAt(1);
  collection.Add("f", std::make_unique<std::string>("item f"));

  std::vector<std::string> walked;
  for (const auto& item : collection) walked.push_back(*item);
  EXPECT_EQ(walked, (std::vector<std::string>{"item B", "item D", "item e", "item f"}));
  ASSERT_EQ(collection.Count(), 4);
  EXPECT_EQ(collection.KeyAt(2), "D");
  EXPECT_EQ(*collection.ItemAt(3), "item e");
  EXPECT_EQ(*collection.Item("d"), "item D");

  // Failed calls raise and change nothing.
  EXPECT_EQ(FailureNumber([&] { collection.Item("a"); }), 5);
  EXPECT_EQ(FailureNumber([&] { collection.Remove("c"); }), 5);
  EXPECT_EQ(FailureNumber([&] { collection.ItemAt(0); }), 9);
  EXPECT_EQ(FailureNumber([&] { collection.RemoveAt(5); }), 9);
  EXPECT_FALSE(HasKey(collection, "a"));
  EXPECT_EQ(collection.Count(), 4);

  // The confirmation dialog's pattern: remove from the last position down.
  for (std::int32_t position = collection.Count(); position >= 1; --position) {
    collection.RemoveAt(position);
  }
  EXPECT_EQ(collection.Count(), 0);
  EXPECT_EQ(collection.begin(), collection.end());
}

// Random adds and removals checked against a plain vector, so positions
// stay right across many tree updates and compactions.
TEST(KeyedCollectionTest, MatchesAPlainListUnderManyChanges) {
  std::mt19937 random(20240305);
  KeyedCollection<int> collection;
  std::vector<int> model;
  for (int step = 0, next = 0; step < 20000; ++step) {
    const auto action = random() % 10;
    if (action < 5 || model.empty()) {
      collection.Add("Key" + std::to_string(next), next);
      model.push_back(next++);
    } else {
      const auto index = random() % model.size();
      if (action < 8) {
        collection.RemoveAt(static_cast<std::int32_t>(index + 1));
      } else {
        collection.Remove("kEY" + std::to_string(model[index]));
      }
      model.erase(model.begin() + static_cast<std::ptrdiff_t>(index));
    }
    if (step % 997 != 0 && step != 19999) continue;
    ASSERT_EQ(collection.Count(), static_cast<std::int32_t>(model.size())) << "step " << step;
    ASSERT_EQ(std::vector<int>(collection.begin(), collection.end()), model) << "step " << step;
    for (std::size_t i = 0; i < model.size(); ++i) {
      ASSERT_EQ(collection.KeyAt(static_cast<std::int32_t>(i + 1)),
                "Key" + std::to_string(model[i]))
          << "step " << step << " position " << i + 1;
    }
  }
}

}  // namespace
}  // namespace tovask
