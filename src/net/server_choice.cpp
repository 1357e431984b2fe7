#include "net/server_choice.h"

#include <algorithm>
#include <string>

namespace tavik {

int SelectParamServer(const ServerChoiceState& state, Logger& log) {
  const ServerFailures::Counts counts = state.failures.get();
  int server = 1;
  if (counts.m_paramFailTotal > 1) {
    const auto& fails = counts.m_serverFails;
    const int candidate = fails[1] > fails[2] ? 3 : 2;
    log.LogStatus("计划读取主参数服务器" + std::to_string(candidate), true);
    if (fails[0] > std::max(fails[1], fails[2])) server = candidate;
  }
  if (server == 1) log.LogStatus("计划读取主参数服务器1", true);
  return server;
}

void CountServerFailure(ServerChoiceState& state, int server, FailedRequest request, Logger& log) {
  if (server < 1 || server > 3) return;
  const ServerFailures::Counts counts = state.failures.add(server);
  if (request != FailedRequest::MainParams) return;
  log.LogStatus("读取主参数服务器" + std::to_string(server) + "失败", true);
  if (counts.m_paramFailTotal > kFailuresBeforeSlowdown) state.g_paramPeriod = kSlowParamPeriod;
}

int PriceReadServer(int32_t netPriceServer) {
  return netPriceServer == 2 || netPriceServer == 3 ? netPriceServer : 1;
}

}  // namespace tavik
