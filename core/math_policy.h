// SPDX-License-Identifier: MIT
// How the core calls Boost.Math: a NaN or an infinity comes back instead of
// an exception, and each caller turns such a figure into an Overflow failure.
#pragma once

#include <boost/math/policies/policy.hpp>

namespace cep {

namespace bp = boost::math::policies;

using QuietMath = bp::policy<bp::domain_error<bp::ignore_error>, bp::pole_error<bp::ignore_error>,
                             bp::overflow_error<bp::ignore_error>, bp::underflow_error<bp::ignore_error>,
                             bp::denorm_error<bp::ignore_error>, bp::rounding_error<bp::ignore_error>,
                             bp::evaluation_error<bp::ignore_error>, bp::indeterminate_result_error<bp::ignore_error>>;

}  // namespace cep
