// tovask-store: administration of the embedded profile store (see store_tool.h).
#include <iostream>
#include <string>
#include <vector>

#include "profile_store/store_tool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return tovask::outlook::RunStoreTool(args, std::cin, std::cout, std::cerr);
}
