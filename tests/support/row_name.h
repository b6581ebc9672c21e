// Names the rows of a parameterised test: INSTANTIATE_TEST_SUITE_P(Rows, Suite, Values(...),
// RowName()), where each row's type has a `name` of letters, digits and underscores.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace orvane::testing {

struct RowName {
    template <class Row>
    std::string operator()(const ::testing::TestParamInfo<Row>& info) const {
        return info.param.name;
    }
};

}  // namespace orvane::testing
