// Real-time scheduling for the library's acquisition thread: a measurement cycle that wakes late
// because other programs keep both cores busy delays every reading. Where the system permits it
// (RLIMIT_RTPRIO above zero, e.g. from /etc/security/limits.d, LimitRTPRIO= of a systemd unit,
// or the CAP_SYS_NICE capability) the thread runs under SCHED_FIFO; elsewhere it stays on normal
// scheduling without a word. TLV880_REALTIME=0 in the environment keeps normal scheduling.
#pragma once

namespace tlv880 {

// The SCHED_FIFO priority asked for: above ordinary threads, below the kernel's own.
inline constexpr int kAcquisitionPriority = 20;

// Puts the calling thread under SCHED_FIFO at `priority`, or at the highest priority the
// resource limit allows when that is lower. Returns the priority granted, 0 when not granted.
int RequestRealTimeScheduling(int priority);

} // namespace tlv880
