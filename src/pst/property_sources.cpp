#include "pst/property_sources.h"

#include <array>
#include <cstdlib>
#include <cstring>

namespace tovask::pst {

namespace {

struct Row {
  std::string_view property;
  PropertySource source;
};

constexpr PropertySource Tag(std::uint32_t id) { return {PropertySet::kNone, id, {}}; }
constexpr PropertySource Address(std::uint32_t id) { return {PropertySet::kAddress, id, {}}; }
constexpr PropertySource Common(std::uint32_t id) { return {PropertySet::kCommon, id, {}}; }

constexpr Row kRows[] = {
    {"Anniversary", Tag(0x3A41)},
    {"AssistantName", Tag(0x3A30)},
    {"AssistantTelephoneNumber", Tag(0x3A2E)},
    {"Birthday", Tag(0x3A42)},
    {"Business2TelephoneNumber", Tag(0x3A1B)},
    {"BusinessAddress", Address(0x801B)},
    {"BusinessAddressCity", Address(0x8046)},
    {"BusinessAddressCountry", Address(0x8049)},
    {"BusinessAddressPostOfficeBox", Address(0x804A)},
    {"BusinessAddressPostalCode", Address(0x8048)},
    {"BusinessAddressState", Address(0x8047)},
    {"BusinessAddressStreet", Address(0x8045)},
    {"BusinessFaxNumber", Tag(0x3A24)},
    {"BusinessHomePage", Tag(0x3A51)},
    {"BusinessTelephoneNumber", Tag(0x3A08)},
    {"CallbackTelephoneNumber", Tag(0x3A02)},
    {"CarTelephoneNumber", Tag(0x3A1E)},
    {"Children", Tag(0x3A58)},
    {"CompanyMainTelephoneNumber", Tag(0x3A57)},
    {"CompanyName", Tag(0x3A16)},
    {"ComputerNetworkName", Tag(0x3A49)},
    {"ContactAccount", Tag(0x3A00)},
    {"CustomerID", Tag(0x3A4A)},
    {"Department", Tag(0x3A18)},
    {"Email1Address", Address(0x8083)},
    {"Email1AddressType", Address(0x8082)},
    {"Email1DisplayName", Address(0x8080)},
    {"Email1EntryID", Address(0x8085)},
    {"Email2Address", Address(0x8093)},
    {"Email2AddressType", Address(0x8092)},
    {"Email2DisplayName", Address(0x8090)},
    {"Email2EntryID", Address(0x8095)},
    {"Email3Address", Address(0x80A3)},
    {"Email3AddressType", Address(0x80A2)},
    {"Email3DisplayName", Address(0x80A0)},
    {"Email3EntryID", Address(0x80A5)},
    {"FTPSite", Tag(0x3A4C)},
    {"FileAs", Address(0x8005)},
    {"FirstName", Tag(0x3A06)},
    {"FullName", Tag(0x3001)},
    {"Gender", Tag(0x3A4D)},
    {"GovernmentIDNumber", Tag(0x3A07)},
    {"HasPicture", Address(0x8015)},
    {"Hobby", Tag(0x3A43)},
    {"Home2TelephoneNumber", Tag(0x3A2F)},
    {"HomeAddress", Address(0x801A)},
    {"HomeAddressCity", Tag(0x3A59)},
    {"HomeAddressCountry", Tag(0x3A5A)},
    {"HomeAddressPostOfficeBox", Tag(0x3A5E)},
    {"HomeAddressPostalCode", Tag(0x3A5B)},
    {"HomeAddressState", Tag(0x3A5C)},
    {"HomeAddressStreet", Tag(0x3A5D)},
    {"HomeFaxNumber", Tag(0x3A25)},
    {"HomeTelephoneNumber", Tag(0x3A09)},
    {"IMAddress", Address(0x8062)},
    {"ISDNNumber", Tag(0x3A2D)},
    {"Initials", Tag(0x3A0A)},
    {"InternetFreeBusyAddress", Address(0x80D8)},
    {"JobTitle", Tag(0x3A17)},
    {"Journal", Address(0x8025)},
    {"Language", Tag(0x3A0C)},
    {"LastName", Tag(0x3A11)},
    {"MailingAddress", Tag(0x3A15)},
    {"MailingAddressCity", Tag(0x3A27)},
    {"MailingAddressCountry", Tag(0x3A26)},
    {"MailingAddressPostOfficeBox", Tag(0x3A2B)},
    {"MailingAddressPostalCode", Tag(0x3A2A)},
    {"MailingAddressState", Tag(0x3A28)},
    {"MailingAddressStreet", Tag(0x3A29)},
    {"ManagerName", Tag(0x3A4E)},
    {"MiddleName", Tag(0x3A44)},
    {"MobileTelephoneNumber", Tag(0x3A1C)},
    {"NetMeetingAlias", Address(0x805F)},
    {"NetMeetingServer", Address(0x8060)},
    {"NickName", Tag(0x3A4F)},
    {"OfficeLocation", Tag(0x3A19)},
    {"OrganizationalIDNumber", Tag(0x3A10)},
    {"OtherAddress", Address(0x801C)},
    {"OtherAddressCity", Tag(0x3A5F)},
    {"OtherAddressCountry", Tag(0x3A60)},
    {"OtherAddressPostOfficeBox", Tag(0x3A64)},
    {"OtherAddressPostalCode", Tag(0x3A61)},
    {"OtherAddressState", Tag(0x3A62)},
    {"OtherAddressStreet", Tag(0x3A63)},
    {"OtherFaxNumber", Tag(0x3A23)},
    {"OtherTelephoneNumber", Tag(0x3A1F)},
    {"PagerNumber", Tag(0x3A21)},
    {"PersonalHomePage", Tag(0x3A50)},
    {"PrimaryTelephoneNumber", Tag(0x3A1A)},
    {"Profession", Tag(0x3A46)},
    {"RadioTelephoneNumber", Tag(0x3A1D)},
    {"ReferredBy", Tag(0x3A47)},
    {"SelectedMailingAddress", Address(0x8022)},
    {"Spouse", Tag(0x3A48)},
    {"Suffix", Tag(0x3A05)},
    {"TTYTDDTelephoneNumber", Tag(0x3A4B)},
    {"TelexNumber", Tag(0x3A2C)},
    {"Title", Tag(0x3A45)},
    {"User1", Address(0x804F)},
    {"User2", Address(0x8050)},
    {"User3", Address(0x8051)},
    {"User4", Address(0x8052)},
    {"UserCertificate", Tag(0x3A70)},
    {"WebPage", Address(0x802B)},
    {"YomiCompanyName", Address(0x802E)},
    {"YomiFirstName", Address(0x802C)},
    {"YomiLastName", Address(0x802D)},
    {"Categories", {PropertySet::kPublicStrings, 0, "Keywords"}},
    {"Companies", Common(0x8539)},
    {"CreationTime", Tag(0x3007)},
    {"ExpiryTime", Tag(0x0015)},
    {"LastModificationTime", Tag(0x3008)},
    {"Mileage", Common(0x8534)},
    {"Subject", Tag(0x0037)},
    {"BillingInformation", Common(0x8535)},
    {"Body", Tag(0x1000)},
};

struct Table {
  std::array<const PropertySource*, 256> byId{};
};

Table MakeTable() {
  Table table;
  for (const Row& row : kRows) {
    const outlook::PropertyInfo* info = outlook::FindProperty(row.property);
    if (info == nullptr) std::abort();  // every row names a property of the interface
    table.byId[info->id] = &row.source;
  }
  return table;
}

constexpr std::uint8_t kAddressGuid[16] = {0x04, 0x20, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00,
                                           0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr std::uint8_t kCommonGuid[16] = {0x08, 0x20, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00,
                                          0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr std::uint8_t kPublicStringsGuid[16] = {0x29, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

}  // namespace

PropertySet SetOfGuid(const std::uint8_t (&guid)[16]) {
  if (std::memcmp(guid, kAddressGuid, 16) == 0) return PropertySet::kAddress;
  if (std::memcmp(guid, kCommonGuid, 16) == 0) return PropertySet::kCommon;
  if (std::memcmp(guid, kPublicStringsGuid, 16) == 0) return PropertySet::kPublicStrings;
  return PropertySet::kOther;
}

const PropertySource* SourceOf(outlook::PropertyId id) {
  static const Table table = MakeTable();
  return table.byId[id];
}

}  // namespace tovask::pst
