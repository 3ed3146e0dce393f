from validate_lib import Score
def probe(env):
    return Score("server")
