// Made-up names and places for the demo portfolio.
#include "demo/demo_random.h"

namespace demo {

const std::vector<std::string>& DemoFirstNames() {
  static const std::vector<std::string> names{
      "Olivia",  "Jack",   "Charlotte", "Noah",   "Amelia", "William", "Isla",   "Oliver",
      "Mia",     "Thomas", "Grace",     "Lucas",  "Chloe",  "Henry",   "Ava",    "James",
      "Zoe",     "Samuel", "Ruby",      "Ethan",  "Sophie", "Liam",    "Harper", "Leo",
      "Ella",    "Mason",  "Matilda",   "Hamish", "Priya",  "Wei",     "Aroha",  "Tane",
      "Siobhan", "Declan", "Fatima",    "Omar",   "Elena",  "Marco",   "Yuki",   "Hiro"};
  return names;
}

const std::vector<std::string>& DemoSurnames() {
  static const std::vector<std::string> names{
      "Smith",   "Jones",        "Williams",  "Brown",     "Wilson",   "Taylor",   "Nguyen",
      "O'Brien", "Anderson",     "Thompson",  "Martin",    "O'Connor", "Walker",   "Harris",
      "Kelly",   "D'Souza",      "MacDonald", "Ryan",      "Campbell", "Lee",      "Clarke",
      "Murphy",  "Patel",        "Robinson",  "Chen",      "Mitchell", "O'Neill",  "Hughes",
      "Fraser",  "Papadopoulos", "Rossi",     "Kowalski",  "Singh",    "Te Rangi", "Moretti",
      "Okafor",  "Lindqvist",    "Byrne",     "Gallagher", "Whitfield"};
  return names;
}

const std::vector<std::string>& DemoStreets() {
  static const std::vector<std::string> names{
      "Banksia",    "Wattle",    "Harbour",    "Beach",      "Station", "Church",   "Mill",
      "Kingfisher", "Jacaranda", "Ironbark",   "Bellbird",   "Cliff",   "Orchard",  "Lagoon",
      "Riverview",  "Hilltop",   "Gum Tree",   "Lighthouse", "Market",  "Parkside", "Quarry",
      "Rosella",    "Seaview",   "Tallowwood", "Waratah",    "Yarran",  "Eucalypt", "Grevillea"};
  return names;
}

const std::vector<std::string>& DemoStreetTypes() {
  static const std::vector<std::string> names{"Street", "Road",  "Avenue",   "Parade",
                                              "Lane",   "Close", "Crescent", "Drive"};
  return names;
}

const std::vector<std::string>& DemoTowns() {
  static const std::vector<std::string> names{
      "Merrowdale NSW 2480",     "Kestrel Bay NSW 2486",   "Tindal Heights QLD 4217",
      "Port Ellery VIC 3280",    "Ashgrove Park QLD 4060", "Coral Point QLD 4655",
      "Birchwood SA 5062",       "Redgum Flat WA 6111",    "Saltmarsh TAS 7015",
      "Lyndon Springs NSW 2340", "Brackenridge VIC 3350",  "Eastbrook NSW 2260",
      "Wollun Creek NSW 2350",   "Seacliff Downs SA 5049", "Harrow Vale WA 6153"};
  return names;
}

const std::vector<std::string>& DemoTradePayees() {
  static const std::vector<std::string> names{"Brightside Plumbing",
                                              "Sparkwell Electrical",
                                              "Coastal Roofing & Gutters",
                                              "Greenleaf Gardens",
                                              "A1 Locksmiths",
                                              "Northside Pest Control",
                                              "Handy Harry's Maintenance",
                                              "Clearview Glass",
                                              "Merrowdale Council",
                                              "Shire Water",
                                              "Allsafe Insurance",
                                              "Body Corporate Services"};
  return names;
}

const std::vector<std::string>& DemoMailDomains() {
  static const std::vector<std::string> names{"example.com", "example.net", "example.org",
                                              "mail.example.com"};
  return names;
}

}  // namespace demo
