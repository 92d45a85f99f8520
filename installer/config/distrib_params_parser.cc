#include "installer/config/distrib_params_parser.h"

namespace lite_installer {

DistribParamMap ParseDistribParams(std::string_view text) {
  DistribParamMap params;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('&', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view pair = text.substr(start, end - start);
    // An empty pair ("a=1&&b=2", a trailing "&") records nothing.
    if (!pair.empty()) {
      const size_t equals = pair.find('=');
      if (equals == std::string_view::npos)
        params.insert_or_assign(std::string(pair), std::string());
      else
        params.insert_or_assign(std::string(pair.substr(0, equals)),
                                std::string(pair.substr(equals + 1)));
    }
    start = end + 1;
  }
  return params;
}

}  // namespace lite_installer
