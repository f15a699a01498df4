// The name of a TEST_P row: its `name` field, written as a C++ identifier, so that one row
// can be run alone (--gtest_filter=Suite/Test.Name/RowName).
#pragma once

#include <string>

namespace zerva::test {

struct RowName {
    template <typename Info> std::string operator()(const Info& info) const {
        return info.param.name;
    }
};

} // namespace zerva::test
