// Word lists the profile generator draws realistic contact and mail data
// from: names, companies, places, mail topics. Fixed, so that a seed always
// yields the same profile.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace tovask::outlook::sample {

struct Place {
  std::string_view city;
  std::string_view state;
  std::string_view postalCode;
  std::string_view country;
  std::string_view phonePrefix;  // country and area code, with a trailing blank
};

struct Company {
  std::string_view name;
  std::string_view domain;  // mail domain, also the web site's host
};

std::span<const std::string_view> FemaleFirstNames();
std::span<const std::string_view> MaleFirstNames();
std::span<const std::string_view> LastNames();
std::span<const std::string_view> Streets();
std::span<const std::string_view> JobTitles();
std::span<const std::string_view> Departments();
std::span<const std::string_view> Categories();
std::span<const std::string_view> MailDomains();  // private mail providers
std::span<const std::string_view> MailTopics();
std::span<const std::string_view> SubjectPrefixes();  // "", "Re: ", ...
std::span<const Place> Places();
std::span<const Company> Companies();

}  // namespace tovask::outlook::sample
