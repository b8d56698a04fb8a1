// mex/function.hpp — matlab::mex::Function, the base of every MEX function
// object.
//
// Its one data member is the host function handle that libmex's
// mexGetFunctionImpl returns at construction, stored as returned; the
// destructor gives it back with mexDestroyFunctionImpl (ignoring the result).
// The destructor lets an exception from mexDestroyFunctionImpl out
// (noexcept(false), and so is every derived destructor): a delete-expression
// still frees the storage, and mexDestroyMexFunction reports the exception.
// Virtual slots, in order: the destructor (destroy; destroy and free), then
// the call operator, which the base implements as doing nothing. A derived
// MexFunction overrides the call operator and adds no data.
//
//   class MexFunction : public matlab::mex::Function {
//    public:
//     void operator()(matlab::mex::ArgumentList outputs,
//                     matlab::mex::ArgumentList inputs) override;
//   };
#pragma once

#include <matlab/mex/argument_list.hpp>

namespace matlab::mex {

class Function {
 public:
  Function();
  virtual ~Function() noexcept(false);
  virtual void operator()(ArgumentList outputs, ArgumentList inputs);

  Function(const Function&) = delete;
  Function& operator=(const Function&) = delete;

 private:
  void* functionImpl_;
};

// Made by each MEX file: a new object of its MexFunction, for
// mexCreateMexFunction. Throws what allocation or construction throws.
Function* createMexFunction();

}  // namespace matlab::mex
