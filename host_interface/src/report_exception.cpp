// reportException: one error report for the exception being handled.
#include <matlab/engine/exception.hpp>
#include <matlab/exception.hpp>
#include <matlab/mex/entry_points.hpp>

#include <exception>

namespace matlab::mex {

void reportException(abi::ErrorCallback onError) noexcept {
  const auto report = [onError](const char* message, const char* identifier) {
    if (onError != nullptr) onError(message, identifier);
  };
  try {
    throw;
  } catch (const engine::MATLABException& e) {
    report(e.getMessageText().c_str(), e.getMessageID().c_str());
  } catch (const engine::Exception& e) {
    report(e.what(), "");
  } catch (const matlab::Exception& e) {
    report(e.what(), "");
  } catch (const std::exception& e) {
    report(e.what(), "");
  } catch (...) {
    report("Unknown exception thrown.", "");
  }
}

}  // namespace matlab::mex
