#include "import/field_values.h"

#include <gtest/gtest.h>

#include <string>

namespace tovask {
namespace {

// Element names reach the table as the document spells them: any case, full
// Unicode folding for characters outside ASCII, and every other name left
// out. Each row names the place it must land on by a name spelt as in the
// table, so the rows do not depend on how places are numbered.
TEST(FieldValuesTest, PlaceOfMatchesNamesWithoutRegardToCase) {
  struct Row {
    std::string name;
    const char* sameAs;  // nullptr: not read
  } rows[] = {
      {"FirstName", "FirstName"},
      {"firstname", "FirstName"},
      {"FIRSTNAME", "FirstName"},
      {"TTYTDDTelephoneNumber", "TTYTDDTelephoneNumber"},
      {"ttytddtelephonenumber", "TTYTDDTelephoneNumber"},
      {"OrganizationalIDNumber", "OrganizationalIDNumber"},
      {"Email3DisplayName", "Email3DisplayName"},
      {"email2addresstype", "Email2AddressType"},
      {"user4", "User4"},
      {"Home2TelephoneNumber", "Home2TelephoneNumber"},
      // The Kelvin sign folds to "k", the long s to "s".
      {"Nic\xE2\x84\xAAName", "NickName"},
      {"\xC5\xBFpouse", "Spouse"},
      {"Spou\xC3\x9F", nullptr},  // "ß" folds to "ss"
      {"FirstName ", nullptr},
      {"x:FirstName", nullptr},
      {"FirstNam", nullptr},
      {"FullNameAndCompany", nullptr},  // computed, never read
      {"EntryID", nullptr},
      {"", nullptr},
      {std::string(200, 'a'), nullptr},
      {"\xC3\xA9", nullptr},
  };
  for (const Row& row : rows) {
    const int place = FieldValues::PlaceOf(row.name);
    if (row.sameAs == nullptr) {
      EXPECT_EQ(place, FieldValues::kNotRead) << row.name;
    } else {
      EXPECT_NE(place, FieldValues::kNotRead) << row.name;
      EXPECT_EQ(place, FieldValues::PlaceOf(row.sameAs)) << row.name;
    }
  }
}

// Every one of the names the import reads has a place of its own.
TEST(FieldValuesTest, EveryNameReadHasItsOwnPlace) {
  const char* names[] = {"Anniversary",
                         "Birthday",
                         "FileAs",
                         "FullName",
                         "LastName",
                         "YomiLastName",
                         "Email1Address",
                         "Email1AddressType",
                         "Email1DisplayName",
                         "User1",
                         "BusinessTelephoneNumber"};
  FieldValues values;
  for (const char* name : names) EXPECT_TRUE(values.Add(name, name)) << name;
  EXPECT_EQ(values.Count(), 11);
  for (const char* name : names) EXPECT_EQ(values.At(FieldValues::PlaceOf(name)), name) << name;
}

}  // namespace
}  // namespace tovask
