-- A headless session: a stereo track fed pink noise by the Dummy backend, Quorvane inserted,
-- the transport rolled, the session saved, closed, loaded again and rolled again.
local dir, name = os.getenv("QV_SESSION_DIR"), "qv"
local backend = AudioEngine:set_backend("None (Dummy)", "", "")
backend:set_device_name("Pink Noise")

-- Rolls for the given time and returns the loudest level the track's meter (after the plug-in)
-- showed meanwhile, in dB.
local function roll(s, route, seconds)
  s:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
  local loudest = -200
  for _ = 1, seconds * 10 do
    ARDOUR.LuaAPI.usleep(100000)
    loudest = math.max(loudest, route:peak_meter():meter_level(0, ARDOUR.MeterType.MeterPeak))
  end
  s:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
  ARDOUR.LuaAPI.usleep(300000)
  return loudest
end
local function find(s)
  for r in s:get_routes():iter() do
    local i = 0
    while true do
      local p = r:nth_plugin(i)
      if p:isnil() then break end
      if string.find(p:display_name(), "Quorvane") then return r, p end
      i = i + 1
    end
  end
end

local s = create_session(dir, name, 48000)
assert(s, "no session")
local tracks = s:new_audio_track(2, 2, nil, 1, "Analyzed", ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
local track = tracks:front()
local plugin = ARDOUR.LuaAPI.new_plugin(s, "Quorvane_2in_2out", ARDOUR.PluginType.LXVST, "")
assert(not plugin:isnil(), "Quorvane_2in_2out not found")
assert(track:add_processor_by_index(plugin, 0, nil, true), "insert failed")
-- The track hears its input (the backend's pink noise), not its empty playlist.
for c = 0, 1 do
  assert(track:input():audio(c):connect("system:capture_" .. (c + 1)) == 0, "input not connected")
end
track:monitoring_control():set_value(ARDOUR.MonitorChoice.MonitorInput, PBD.GroupControlDisposition.NoGroup)
local level = roll(s, track, 2)
local r, p = find(s)
print(string.format("first run: %s active %s, transport at %d, level after it %.1f dB", p:display_name(), p:active(), s:transport_sample(), level))
assert(p:active() and level > -60, "no audio came out of the plug-in")
s:save_state("", false, false, false, false, false)
track, tracks, plugin, r, p = nil, nil, nil, nil, nil
collectgarbage()
close_session()

s = load_session(dir, name)
assert(s, "the saved session did not load")
r, p = find(s)
assert(r, "Quorvane is not in the reloaded session")
level = roll(s, r, 2)
print(string.format("after reload: %s active %s, transport at %d, level after it %.1f dB", p:display_name(), p:active(), s:transport_sample(), level))
assert(p:active() and level > -60, "no audio came out of the plug-in after reload")
r, p = nil, nil
collectgarbage()
close_session()
print("session: ok")
quit()
