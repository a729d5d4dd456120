#pragma once
// Whether someone outside the run asked it to stop (a signal, a test's script). Asked at the
// run's event points, on the run's thread.

namespace download {

class StopRequest {
  public:
    virtual ~StopRequest() = default;
    virtual bool stopRequested() const = 0;
};

}  // namespace download
