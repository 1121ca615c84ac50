#!/usr/bin/env python3
# Writes two captures in the present monitor's 2.x layout whose MsAnimationError
# column follows its documented definition: the change in simulation start
# since the previous displayed frame less the change in screen time (present
# time + MsUntilDisplayed). With CPUStartTimeInMs the simulation start is that
# column; without it, the previous present's end (its time + MsInPresentAPI).
import random
random.seed(30)
def write(path, cpu_start):
    cols = ["Application","ProcessID","SwapChainAddress","PresentRuntime","SyncInterval","PresentFlags",
            "AllowsTearing","PresentMode","TimeInMs","MsBetweenPresents","MsInPresentAPI","MsUntilDisplayed"]
    if cpu_start: cols.append("CPUStartTime")
    cols += ["MsAnimationError","AnimationTime"]
    rows=[]
    t=1000.0; prev_end=None; last=None; first=None
    for i in range(120):
        t += 6.0 + random.random()*14.0
        in_api = 0.05 + random.random()*0.6
        start = (prev_end if not cpu_start else t - 3.0 - random.random()*9.0)
        shown = i % 9 != 4
        until = 2.0 + random.random()*18.0 if shown else None
        err = "NA"; at = "NA"
        if shown and start is not None:
            screen = t + until
            if first is None: first = start
            if last is not None:
                e = (start - last[0]) - (screen - last[1])
                err = "%.4f" % e
            at = "%.4f" % (start - first)
            last = (start, screen)
        r = ["game.exe","4242","0x000001E0A1B2C3D0","DXGI","0","0","1","Hardware: Independent Flip",
             "%.4f"%t, "%.4f"%(t-(rows[-1][1] if rows else t-10)), "%.4f"%in_api, ("%.4f"%until) if shown else "NA"]
        if cpu_start: r.append("%.4f"%start)
        r += [err, at]
        rows.append((r,t))
        prev_end = t + in_api
    with open(path,"w") as f:
        f.write(",".join(cols)+"\n")
        for r,_ in rows: f.write(",".join(r)+"\n")
write("tests/data/capture/animation_cpu_start.csv", True)
write("tests/data/capture/animation_present_end.csv", False)
