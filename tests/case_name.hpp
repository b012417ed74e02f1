#pragma once

#include <gtest/gtest.h>

#include <string>

namespace coincidenze::testing_support {

// Names each parameterised case after its `name` field, so a failure names
// the row of the table it came from.
struct CaseName {
    template <class Case>
    std::string operator()(const testing::TestParamInfo<Case>& row) const {
        return row.param.name;
    }
};

}  // namespace coincidenze::testing_support
