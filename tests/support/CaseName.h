#pragma once
// Names the cases of a table-driven test after their `name` field.

#include <gtest/gtest.h>

#include <string>

namespace kelvra::test {

struct CaseName {
    template <typename Case> std::string operator()(const testing::TestParamInfo<Case> &c) const {
        return std::string(c.param.name);
    }
};

} // namespace kelvra::test
