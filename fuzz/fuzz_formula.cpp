// The formula evaluator of SwissKnife and Converter nodes: any text is compiled, and what
// compiles is evaluated as integers and as floats, with variables whose values (or failures)
// come from the input too.
#include <cstring>

#include "FuzzInput.h"
#include "eval/Evaluator.h"

using namespace ky::gc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const int64_t values[4] = {static_cast<int32_t>(in.U32()), static_cast<int64_t>(in.U32()) << 31, -1, 0};
    const std::string formula = in.Rest();
    Evaluator evaluator;
    if (evaluator.Compile(formula) != EvalStatus::Ok)
        return 0;
    (void)evaluator.VariableNames();
    const Evaluator::Resolver resolver = [&values](const std::string &name, EvalValue &out) {
        const size_t pick = name.size() % 6;
        if (pick == 4)
            return EvalStatus::UnknownVariable;
        if (pick == 5) {
            out = EvalValue::Float(static_cast<double>(values[0]) / 3.0);
            return EvalStatus::Ok;
        }
        out = EvalValue::Int(values[pick]);
        return EvalStatus::Ok;
    };
    EvalValue result;
    (void)evaluator.Evaluate(resolver, result, false);
    (void)evaluator.Evaluate(resolver, result, true);
    return 0;
}
