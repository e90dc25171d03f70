"""A readable rendering of the UI driver's transcript, for test failures and
the demo."""


def render(transcript, indent="  "):
    lines = [f"program: {transcript['program']}",
             f"answers: {', '.join(transcript['answers']) or '(none)'}"]
    for number, window in enumerate(transcript["windows"], 1):
        x, y, w, h = window["rect"]
        placement = f"{w}x{h} at {x},{y} on {window['screen'][0]}x{window['screen'][1]}"
        placement += ", centred" if window["centred"] else ", not centred"
        owner = "the started program" if window["ownProgram"] else window["process"]
        lines.append(f"window {number}: \"{window['caption']}\" ({owner})")
        lines.append(f"{indent}{placement}; icon: {window['icon']}")
        for text in window["texts"]:
            parts = text.replace("\r\n", "\n").split("\n")
            lines.append(f"{indent}text: {parts[0]}")
            lines.extend(f"{indent}      {part}" for part in parts[1:])
        if window["buttons"]:
            buttons = ", ".join(f"[{b['text'].replace('&', '')}]" for b in window["buttons"])
            lines.append(f"{indent}buttons: {buttons}")
        if window["answer"]:
            taken = "" if window["answerTaken"] else " (not taken)"
            lines.append(f"{indent}answer: {window['answer']}{taken}")
        if window.get("screenshotPng"):
            lines.append(f"{indent}screenshot: {window['screenshotPng']}")
    exit_code = transcript["exitCode"]
    lines.append(f"exit code: {'none (still running)' if exit_code is None else exit_code}")
    lines.append(f"result: {transcript['result']}" +
                 (f" ({transcript['error']})" if transcript.get("error") else ""))
    return "\n".join(lines)
