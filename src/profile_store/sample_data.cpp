#include "profile_store/sample_data.h"

namespace tovask::outlook::sample {

namespace {

constexpr std::string_view kFemaleFirstNames[] = {
    "Anna",   "Maria",  "Sophie",   "Emma",   "Laura",  "Julia",      "Sarah",    "Lena",
    "Claire", "Chloé",  "Isabelle", "Elena",  "Sofia",  "Olivia",     "Emily",    "Jessica",
    "Hannah", "Katrin", "Ingrid",   "Astrid", "Birgit", "Małgorzata", "Zoë",      "Nadia",
    "Fatima", "Aiko",   "Mei",      "Priya",  "Lucía",  "Camille",    "Margaret", "Ruth",
};

constexpr std::string_view kMaleFirstNames[] = {
    "Thomas", "Michael",  "Peter",  "Jan",     "Lukas",  "Felix",  "Jonas",   "David",
    "James",  "John",     "Robert", "William", "Pierre", "Louis",  "Antoine", "Marco",
    "Luca",   "Giovanni", "Carlos", "Javier",  "Björn",  "Søren",  "Mikael",  "Ahmed",
    "Omar",   "Hiroshi",  "Wei",    "Raj",     "Arjun",  "Stefan", "Jürgen",  "Patrick",
};

constexpr std::string_view kLastNames[] = {
    "Müller",   "Schmidt",   "Schneider", "Fischer",  "Weber",        "Meyer",     "Wagner",
    "Becker",   "Hoffmann",  "Schulz",    "Smith",    "Johnson",      "Williams",  "Brown",
    "Jones",    "Miller",    "Davis",     "Wilson",   "Taylor",       "Anderson",  "Martin",
    "Bernard",  "Dubois",    "Lefèvre",   "Moreau",   "Rossi",        "Russo",     "Ferrari",
    "García",   "Fernández", "López",     "Martínez", "Andersson",    "Johansson", "Nielsen",
    "Kowalski", "Nowak",     "Novák",     "Yamamoto", "Tanaka",       "Chen",      "Wang",
    "Patel",    "Singh",     "O'Brien",   "O'Connor", "van der Berg", "de Vries",  "Jansen",
    "Al-Sayed", "Haddad",    "Kim",       "Park",     "Nguyen",       "Okafor",    "Mensah",
};

constexpr std::string_view kStreets[] = {
    "Hauptstraße",   "Bahnhofstraße", "Lindenweg",      "Schillerstraße", "Main Street",
    "Oak Avenue",    "Maple Drive",   "Park Lane",      "High Street",    "Church Road",
    "Rue de Rivoli", "Avenue Foch",   "Via Roma",       "Calle Mayor",    "Kungsgatan",
    "Market Street", "Elm Street",    "Lake View Road", "Mill Lane",      "Station Road",
};

constexpr std::string_view kJobTitles[] = {
    "Sales Manager",           "Account Executive",  "Software Engineer",   "Project Manager",
    "Chief Financial Officer", "Office Manager",     "Consultant",          "Senior Consultant",
    "Marketing Director",      "Product Owner",      "Purchasing Agent",    "Head of IT",
    "Managing Director",       "Assistant",          "Controller",          "HR Business Partner",
    "Team Lead Support",       "Research Scientist", "Key Account Manager", "Legal Counsel",
};

constexpr std::string_view kDepartments[] = {
    "Sales", "Marketing", "Finance", "IT",        "Human Resources", "Purchasing",
    "Legal", "Research",  "Support", "Logistics", "Management",      "Production",
};

constexpr std::string_view kCategories[] = {
    "Business", "Customers", "Suppliers", "Personal", "Family", "VIP", "Holiday Cards", "Partners",
};

constexpr std::string_view kMailDomains[] = {
    "gmail.example", "outlook.example",  "web.example",    "gmx.example",
    "yahoo.example", "t-online.example", "orange.example", "icloud.example",
};

constexpr std::string_view kMailTopics[] = {
    "Quarterly budget review",
    "Project Phoenix status",
    "Invoice",
    "Meeting next week",
    "Contract renewal",
    "Your order",
    "Team offsite planning",
    "Updated price list",
    "Travel expenses",
    "Welcome aboard",
    "Minutes of today's call",
    "Support ticket",
    "Newsletter",
    "Draft proposal",
    "Delivery schedule",
    "Annual report",
    "Holiday calendar",
    "Training session",
    "Server maintenance window",
    "Lunch on Friday?",
    "Product launch",
    "Feedback requested",
    "Security notice",
    "Year-end closing",
};

constexpr std::string_view kSubjectPrefixes[] = {
    "", "", "", "Re: ", "Re: ", "RE: ", "Fw: ", "AW: "};

constexpr Place kPlaces[] = {
    {"Berlin", "Berlin", "10115", "Germany", "+49 30 "},
    {"München", "Bayern", "80331", "Germany", "+49 89 "},
    {"Hamburg", "Hamburg", "20095", "Germany", "+49 40 "},
    {"Köln", "Nordrhein-Westfalen", "50667", "Germany", "+49 221 "},
    {"Wien", "Wien", "1010", "Austria", "+43 1 "},
    {"Zürich", "ZH", "8001", "Switzerland", "+41 44 "},
    {"Seattle", "WA", "98101", "United States of America", "+1 (206) "},
    {"New York", "NY", "10001", "United States of America", "+1 (212) "},
    {"Austin", "TX", "73301", "United States of America", "+1 (512) "},
    {"Chicago", "IL", "60601", "United States of America", "+1 (312) "},
    {"London", "", "SW1A 1AA", "United Kingdom", "+44 20 "},
    {"Manchester", "", "M1 1AE", "United Kingdom", "+44 161 "},
    {"Paris", "Île-de-France", "75001", "France", "+33 1 "},
    {"Lyon", "Auvergne-Rhône-Alpes", "69001", "France", "+33 4 "},
    {"Milano", "MI", "20121", "Italy", "+39 02 "},
    {"Madrid", "Madrid", "28001", "Spain", "+34 91 "},
    {"Stockholm", "", "111 20", "Sweden", "+46 8 "},
    {"København", "", "1050", "Denmark", "+45 "},
    {"Amsterdam", "Noord-Holland", "1012 AB", "Netherlands", "+31 20 "},
    {"Warszawa", "mazowieckie", "00-001", "Poland", "+48 22 "},
};

constexpr Company kCompanies[] = {
    {"Contoso Ltd.", "contoso.example"},
    {"Fabrikam, Inc.", "fabrikam.example"},
    {"Northwind Traders", "northwind.example"},
    {"Adventure Works", "adventure-works.example"},
    {"Tailspin Toys", "tailspintoys.example"},
    {"Wide World Importers", "wideworldimporters.example"},
    {"Litware, Inc.", "litware.example"},
    {"Proseware, Inc.", "proseware.example"},
    {"Woodgrove Bank", "woodgrovebank.example"},
    {"Alpine Ski House", "alpineskihouse.example"},
    {"Coho Winery", "cohowinery.example"},
    {"Fourth Coffee", "fourthcoffee.example"},
    {"Graphic Design Institute", "graphicdesigninstitute.example"},
    {"Humongous Insurance", "humongousinsurance.example"},
    {"Lucerne Publishing", "lucernepublishing.example"},
    {"Margie's Travel", "margiestravel.example"},
    {"Müller & Söhne GmbH", "mueller-soehne.example"},
    {"Blue Yonder Airlines", "blueyonderairlines.example"},
    {"City Power & Light", "cpandl.example"},
    {"Trey Research", "treyresearch.example"},
};

}  // namespace

std::span<const std::string_view> FemaleFirstNames() { return kFemaleFirstNames; }
std::span<const std::string_view> MaleFirstNames() { return kMaleFirstNames; }
std::span<const std::string_view> LastNames() { return kLastNames; }
std::span<const std::string_view> Streets() { return kStreets; }
std::span<const std::string_view> JobTitles() { return kJobTitles; }
std::span<const std::string_view> Departments() { return kDepartments; }
std::span<const std::string_view> Categories() { return kCategories; }
std::span<const std::string_view> MailDomains() { return kMailDomains; }
std::span<const std::string_view> MailTopics() { return kMailTopics; }
std::span<const std::string_view> SubjectPrefixes() { return kSubjectPrefixes; }
std::span<const Place> Places() { return kPlaces; }
std::span<const Company> Companies() { return kCompanies; }

}  // namespace tovask::outlook::sample
